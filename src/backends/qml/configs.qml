import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Controls.Material 2.15
import QtQuick.Layouts 1.15

// Edits the whole settings file: read afresh on opening, written whole on
// "Salvar", after which the program restarts to take it in.
Popup {
    id: config
    objectName: "config"
    width: 650
    height: 500
    x: Math.round((parent.width - width) / 2)
    y: Math.round((parent.height - height) / 2)
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    padding: 12

    property var configsAsJson: ({})
    readonly property int alturaLinha: 40
    readonly property int larguraRotulo: 270

    onClosed: config.destroy()

    // Drawn by us: the style's shadows need a GPU layer and vanish under the
    // software renderer, taking the whole background with them.
    background: Rectangle {
        color: "#ffffff"
        radius: 6
        border.color: "#cfcfcf"
    }

    Timer {
        id: time_restart
        objectName: "time_restart"
        interval: 1500
        repeat: false
        onTriggered: configuracoes.reiniciar()
    }

    ListModel {
        id: model_conf_impressao
        objectName: "model_conf_impressao"
    }

    function texto(valor) {
        return valor === undefined || valor === null ? "" : String(valor)
    }

    function preenche() {
        var c = configsAsJson
        var p = c.customizacao || {}
        cb_tp_operacao.currentIndex = c.tipo_operacao === 1 ? 1 : 0
        cb_log.checked = c.log === 1
        cb_display.checked = c.vitra === 1
        txt_caminho_req.text = texto(c.path_in)
        txt_nome_arquivo_req.text = texto(c.file_req)
        txt_caminho_resp.text = texto(c.path_out)
        txt_nome_arquivo_resp.text = texto(c.file_resp)
        cb_tp_comprovante.currentIndex = (c.tag_comprovante >= 0 && c.tag_comprovante <= 2) ? c.tag_comprovante : 0
        cb_conf_tag028.checked = !!c.tag_028_001
        cb_conf_aspas.checked = !!c.aspas_comprovante
        cb_atualizacao_bloq.checked = c.bloquear_atualizacao === true
        cb_conf_atualizacao.checked = !!c.iniciar_atualizacao_aut
        txt_altura_janela.text = texto(p.altura_janela)
        txt_largura_janela.text = texto(p.largura_janela)
        text1.text = texto(p.caminho_logo)
        text2.text = texto(p.cor_destaque)
        text3.text = texto(p.cor_fonte1)
        text4.text = texto(p.cor_fonte2)
        text5.text = texto(p.cor_fundo)
        text6.text = texto(p.cor_selecao)
        cb_hab_impressao.checked = c.habilita_impressao === true
        cb_pdf_hab.checked = c.gerar_pdf === true
        cb_visualiza_pdf.checked = c.visualizar_pdf === true
        cb_codificacao.currentIndex = c.codificacao_arquivos === "windows-1252" ? 1 : 0
        text10.text = texto(c.caminho_pdf)

        model_conf_impressao.clear()
        var impressoras = JSON.parse(configuracoes.impressoras())
        for (var i = 0; i < impressoras.length; ++i)
            model_conf_impressao.append({ "text": impressoras[i].text })
        cb_conf_impressao.currentIndex = cb_conf_impressao.find(texto(c.nome_impressora))
    }

    // Numeric settings stay numbers (the program reads a boolean there as unset).
    function recolhe() {
        var c = configsAsJson
        var p = c.customizacao || {}
        c.tipo_operacao = cb_tp_operacao.currentIndex
        c.log = cb_log.checked ? 1 : 0
        c.vitra = cb_display.checked ? 1 : 0
        c.path_in = txt_caminho_req.text
        c.file_req = txt_nome_arquivo_req.text
        c.path_out = txt_caminho_resp.text
        c.file_resp = txt_nome_arquivo_resp.text
        c.tag_comprovante = cb_tp_comprovante.currentIndex
        c.tag_028_001 = cb_conf_tag028.checked ? 1 : 0
        c.aspas_comprovante = cb_conf_aspas.checked ? 1 : 0
        c.bloquear_atualizacao = cb_atualizacao_bloq.checked
        c.iniciar_atualizacao_aut = cb_conf_atualizacao.checked ? 1 : 0
        if (txt_altura_janela.acceptableInput)
            p.altura_janela = parseInt(txt_altura_janela.text)
        if (txt_largura_janela.acceptableInput)
            p.largura_janela = parseInt(txt_largura_janela.text)
        p.caminho_logo = text1.text
        p.cor_destaque = text2.text
        p.cor_fonte1 = text3.text
        p.cor_fonte2 = text4.text
        p.cor_fundo = text5.text
        p.cor_selecao = text6.text
        c.customizacao = p
        c.habilita_impressao = cb_hab_impressao.checked
        if (cb_conf_impressao.currentIndex >= 0)
            c.nome_impressora = cb_conf_impressao.currentText
        c.gerar_pdf = cb_pdf_hab.checked
        c.visualizar_pdf = cb_visualiza_pdf.checked
        c.codificacao_arquivos = cb_codificacao.currentText
        c.caminho_pdf = text10.text
        return c
    }

    function escolhe(destino, valor) {
        // A cancelled picker answers with nothing: keep what was there.
        if (valor !== "")
            destino.text = valor
    }

    Component.onCompleted: {
        configsAsJson = JSON.parse(configuracoes.ler())
        preenche()
    }

    component Rotulo: Label {
        Layout.preferredWidth: config.larguraRotulo
        Layout.preferredHeight: config.alturaLinha
        verticalAlignment: Text.AlignVCenter
        font.pixelSize: 14
        wrapMode: Text.WordWrap
    }

    component BotaoClaro: Button {
        id: botaoClaro
        font.capitalization: Font.MixedCase
        font.pixelSize: 13
        topInset: 0
        bottomInset: 0
        background: Rectangle {
            implicitWidth: 96
            implicitHeight: 32
            radius: 4
            color: botaoClaro.down ? "#d6d6d6" : (botaoClaro.hovered ? "#e6e6e6" : "#f0f0f0")
            border.color: "#c4c4c4"
        }
    }

    component Combo: ComboBox {
        id: combo
        font.pixelSize: 14
        topInset: 0
        bottomInset: 0
        background: Rectangle {
            implicitWidth: 260
            implicitHeight: 35
            radius: 4
            color: combo.enabled ? "#ffffff" : "#f4f4f4"
            border.color: combo.activeFocus ? "#0099FF" : "#bdbdbd"
        }
        // Long printer names end in an ellipsis instead of being cut.
        contentItem: Text {
            leftPadding: 10
            text: combo.displayText
            font: combo.font
            color: combo.enabled ? "#212121" : "#9e9e9e"
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
        popup.background: Rectangle {
            color: "#ffffff"
            radius: 4
            border.color: "#bdbdbd"
        }
    }

    component Campo: TextField {
        font.pixelSize: 14
        topPadding: 4
        bottomPadding: 4
    }

    component Aba: TabButton {
        width: implicitWidth + 8
        font.capitalization: Font.MixedCase
        font.pixelSize: 14
    }

    component Pagina: Rectangle {
        border.color: "silver"
        border.width: 1
        color: "transparent"
    }

    TabBar {
        id: tabBar
        objectName: "tabBar"
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        currentIndex: swipeView.currentIndex
        Aba { text: "Geral" }
        Aba { text: "Troca de arquivos" }
        Aba { text: "Atualização" }
        Aba { text: "Personalização" }
        Aba { text: "Impressão" }
    }

    SwipeView {
        id: swipeView
        objectName: "swipeView"
        clip: true
        anchors.top: tabBar.bottom
        anchors.topMargin: 6
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: botoes.top
        anchors.bottomMargin: 8
        currentIndex: tabBar.currentIndex

        Pagina {
            id: conf_geral
            GridLayout {
                anchors.fill: parent
                anchors.margins: 12
                columns: 2
                rowSpacing: 4
                Rotulo { text: "Tipo de operação:" }
                Combo {
                    id: cb_tp_operacao
                    objectName: "cb_tp_operacao"
                    Layout.preferredWidth: 260
                    Layout.preferredHeight: 35
                    model: ["Troca de arquivos", "Autônoma"]
                }
                Rotulo { text: "Configuração de log:" }
                CheckBox { id: cb_log; objectName: "cb_log"; text: "Habilitado" }
                Rotulo { text: "Configuração para display secundário:" }
                CheckBox { id: cb_display; objectName: "cb_display"; text: "Habilitado" }
                Item { Layout.fillHeight: true; Layout.columnSpan: 2 }
            }
        }

        Pagina {
            id: conf_troca_arquivos
            GridLayout {
                anchors.fill: parent
                anchors.margins: 12
                columns: 2
                rowSpacing: 0
                // Paths and names only matter while files are exchanged.
                enabled: cb_tp_operacao.currentIndex === 0
                Rotulo { text: "Caminho da pasta de requisição:" }
                RowLayout {
                    Text {
                        id: txt_caminho_req
                        objectName: "txt_caminho_req"
                        Layout.preferredWidth: 210
                        text: "C:/Cliente/Req"
                        elide: Text.ElideLeft
                        font.pixelSize: 14
                    }
                    BotaoClaro {
                        id: button1
                        objectName: "button1"
                        text: "Selecionar"
                        onClicked: config.escolhe(txt_caminho_req, configuracoes.escolherPasta())
                    }
                }
                Rotulo { text: "Nome do arquivo de requisição:" }
                Campo {
                    id: txt_nome_arquivo_req
                    objectName: "txt_nome_arquivo_req"
                    Layout.preferredWidth: 230
                    Layout.preferredHeight: 35
                }
                Rotulo { text: "Caminho da pasta de resposta:" }
                RowLayout {
                    Text {
                        id: txt_caminho_resp
                        objectName: "txt_caminho_resp"
                        Layout.preferredWidth: 210
                        text: "C:/Cliente/Resp"
                        elide: Text.ElideLeft
                        font.pixelSize: 14
                    }
                    BotaoClaro {
                        id: button2
                        objectName: "button2"
                        text: "Selecionar"
                        onClicked: config.escolhe(txt_caminho_resp, configuracoes.escolherPasta())
                    }
                }
                Rotulo { text: "Nome do arquivo de resposta:" }
                Campo {
                    id: txt_nome_arquivo_resp
                    objectName: "txt_nome_arquivo_resp"
                    Layout.preferredWidth: 230
                    Layout.preferredHeight: 35
                }
                Rotulo { text: "Codificação dos arquivos:" }
                Combo {
                    id: cb_codificacao
                    objectName: "cb_codificacao"
                    Layout.preferredWidth: 260
                    Layout.preferredHeight: 35
                    model: ["utf-8", "windows-1252"]
                }
                Rotulo { text: "Configuração para comprovante:" }
                Combo {
                    id: cb_tp_comprovante
                    objectName: "cb_tp_comprovante"
                    Layout.preferredWidth: 260
                    Layout.preferredHeight: 35
                    model: ["Padrão", "Apenas via completa", "Apenas vias diferenciadas"]
                }
                Rotulo { text: "Configuração TAG028-001:" }
                CheckBox { id: cb_conf_tag028; objectName: "cb_conf_tag028"; text: "Habilitado" }
                Rotulo { text: "Configuração de ASPAS no comprovante:" }
                CheckBox { id: cb_conf_aspas; objectName: "cb_conf_aspas"; text: "Habilitado" }
            }
        }

        Pagina {
            id: conf_atualizacao
            GridLayout {
                anchors.fill: parent
                anchors.margins: 12
                columns: 2
                rowSpacing: 4
                Rotulo { text: "Atualização do sistema:" }
                CheckBox { id: cb_atualizacao_bloq; objectName: "cb_atualizacao_bloq"; text: "Bloqueada" }
                Rotulo { text: "Configuração de atualização:" }
                CheckBox {
                    id: cb_conf_atualizacao
                    objectName: "cb_conf_atualizacao"
                    text: "Iniciar automaticamente"
                }
                Item { Layout.fillHeight: true; Layout.columnSpan: 2 }
            }
        }

        Pagina {
            id: conf_personalizacao
            GridLayout {
                anchors.fill: parent
                anchors.margins: 12
                columns: 2
                rowSpacing: 0
                Rotulo { text: "Altura da janela:" }
                Campo {
                    id: txt_altura_janela
                    objectName: "txt_altura_janela"
                    Layout.preferredWidth: 230
                    Layout.preferredHeight: 35
                    // 1 to 1000; unlike IntValidator, 1001 or 0 cannot even be typed
                    validator: RegularExpressionValidator { regularExpression: /[1-9][0-9]{0,2}|1000/ }
                }
                Rotulo { text: "Largura da janela:" }
                Campo {
                    id: txt_largura_janela
                    objectName: "txt_largura_janela"
                    Layout.preferredWidth: 230
                    Layout.preferredHeight: 35
                    // 1 to 1000; unlike IntValidator, 1001 or 0 cannot even be typed
                    validator: RegularExpressionValidator { regularExpression: /[1-9][0-9]{0,2}|1000/ }
                }
                Rotulo { text: "Caminho do logo:" }
                RowLayout {
                    BotaoClaro {
                        id: btn_logo
                        objectName: "btn_logo"
                        text: "Selecione o logo"
                        onClicked: config.escolhe(text1, configuracoes.escolherArquivo())
                    }
                    Text {
                        id: text1
                        objectName: "text1"
                        Layout.preferredWidth: 120
                        elide: Text.ElideLeft
                        font.pixelSize: 14
                    }
                }
                Rotulo { text: "Cor de destaque:" }
                RowLayout {
                    BotaoClaro {
                        id: btn_cor_destaque
                        objectName: "btn_cor_destaque"
                        text: "selecione a cor"
                        onClicked: config.escolhe(text2, configuracoes.escolherCor())
                    }
                    Text { id: text2; objectName: "text2"; font.pixelSize: 14 }
                }
                Rotulo { text: "Cor da fonte:" }
                RowLayout {
                    BotaoClaro {
                        id: btn_cor_fonte
                        objectName: "btn_cor_fonte"
                        text: "selecione a cor"
                        onClicked: config.escolhe(text3, configuracoes.escolherCor())
                    }
                    Text { id: text3; objectName: "text3"; font.pixelSize: 14 }
                }
                Rotulo { text: "Cor da fonte secundária:" }
                RowLayout {
                    BotaoClaro {
                        id: btn_cor_fonte2
                        objectName: "btn_cor_fonte2"
                        text: "selecione a cor"
                        onClicked: config.escolhe(text4, configuracoes.escolherCor())
                    }
                    Text { id: text4; objectName: "text4"; font.pixelSize: 14 }
                }
                Rotulo { text: "Cor de fundo:" }
                RowLayout {
                    BotaoClaro {
                        id: btn_cor_fundo
                        objectName: "btn_cor_fundo"
                        text: "selecione a cor"
                        onClicked: config.escolhe(text5, configuracoes.escolherCor())
                    }
                    Text { id: text5; objectName: "text5"; font.pixelSize: 14 }
                }
                Rotulo { text: "Cor de seleção:" }
                RowLayout {
                    BotaoClaro {
                        id: btn_cor_selecao
                        objectName: "btn_cor_selecao"
                        text: "selecione a cor"
                        onClicked: config.escolhe(text6, configuracoes.escolherCor())
                    }
                    Text { id: text6; objectName: "text6"; font.pixelSize: 14 }
                }
            }
        }

        Pagina {
            id: conf_impressao
            GridLayout {
                anchors.fill: parent
                anchors.margins: 12
                columns: 2
                rowSpacing: 4
                Rotulo { text: "Habilita Impressão:" }
                CheckBox { id: cb_hab_impressao; objectName: "cb_hab_impressao"; text: "Habilitado" }
                Rotulo { text: "Configuração de impressão:" }
                Combo {
                    id: cb_conf_impressao
                    objectName: "cb_conf_impressao"
                    Layout.preferredWidth: 260
                    Layout.preferredHeight: 35
                    enabled: cb_hab_impressao.checked
                    model: model_conf_impressao
                    textRole: "text"
                }
                Rotulo { text: "Gerar PDF:" }
                CheckBox { id: cb_pdf_hab; objectName: "cb_pdf_hab"; text: "Habilitado" }
                Rotulo { text: "Visualizar PDF:" }
                CheckBox { id: cb_visualiza_pdf; objectName: "cb_visualiza_pdf"; text: "Habilitado" }
                Rotulo { text: "Caminho para arquivos PDF" }
                RowLayout {
                    Text {
                        id: text10
                        objectName: "text10"
                        Layout.preferredWidth: 210
                        elide: Text.ElideLeft
                        font.pixelSize: 14
                    }
                    BotaoClaro {
                        id: btn_sel_caminho
                        objectName: "btn_sel_caminho"
                        text: "Selecionar"
                        onClicked: config.escolhe(text10, configuracoes.escolherPasta())
                    }
                }
                Item { Layout.fillHeight: true; Layout.columnSpan: 2 }
            }
        }
    }

    Row {
        id: botoes
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        spacing: 10
        Button {
            id: button
            objectName: "button"
            text: "Salvar"
            font.capitalization: Font.MixedCase
            Material.foreground: "#ffffff"
            topInset: 0
            bottomInset: 0
            background: Rectangle {
                implicitWidth: 110
                implicitHeight: 38
                radius: 4
                color: button.down ? "#0077cc" : "#0099FF"
            }
            onClicked: {
                var dados = JSON.stringify(config.recolhe())
                var motivo = configuracoes.motivoRecusa(dados)
                if (motivo !== "") {
                    janela.avisarErro(motivo)
                } else if (configuracoes.salvar(dados)) {
                    janela.avisar("Salvo com sucesso. O sistema será reiniciado")
                    time_restart.start()
                } else {
                    janela.avisarErro("Erro ao gravar dados")
                }
            }
        }
        BotaoClaro {
            id: button3
            objectName: "button3"
            text: "Fechar"
            font.pixelSize: 14
            onClicked: config.close()
        }
    }
}
