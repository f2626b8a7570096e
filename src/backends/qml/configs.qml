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

    // Every field that edits a setting; its "chave" names the row of the settings' table it shows.
    readonly property var campos: [
        cb_tp_operacao, cb_log, cb_display, txt_caminho_req, txt_nome_arquivo_req, txt_caminho_resp,
        txt_nome_arquivo_resp, cb_codificacao, cb_tp_comprovante, cb_conf_tag028, cb_conf_aspas,
        cb_atualizacao_bloq, cb_conf_atualizacao, txt_altura_janela, txt_largura_janela, txt_caminho_logo,
        txt_cor_destaque, txt_cor_fonte, txt_cor_fonte2, txt_cor_fundo, txt_cor_selecao, cb_hab_impressao,
        cb_conf_impressao, cb_pdf_hab, cb_visualiza_pdf, txt_caminho_pdf
    ]
    property var definicoes: ({})

    // The object a setting sits in: the root, or "customizacao".
    function origem(c, d) {
        if (!d.personalizacao)
            return c
        if (!c.customizacao)
            c.customizacao = {}
        return c.customizacao
    }

    // A box shows a number as its reader takes it: on at 1 only, or at anything but 0.
    function ligado(d, valor) {
        if (d.tipo === "booleano")
            return valor === true
        return d.liga === "1" ? valor === 1 : !!valor
    }

    function preencheCampo(campo, d, valor) {
        if (campo.checked !== undefined) {
            campo.checked = ligado(d, valor)
        } else if (campo.currentIndex !== undefined) {
            if (d.tipo === "inteiro") {
                campo.currentIndex = valor >= 0 && valor < campo.count ? valor : 0
            } else {
                var i = campo.find(texto(valor))
                campo.currentIndex = i >= 0 ? i : campo.semValor
            }
        } else {
            campo.text = texto(valor)
        }
    }

    // Numeric settings stay numbers (the program reads a boolean there as unset); a
    // field with nothing valid in it leaves the setting as it was.
    function valorDoCampo(campo, d, anterior) {
        if (campo.checked !== undefined)
            return d.tipo === "booleano" ? campo.checked : (campo.checked ? 1 : 0)
        if (campo.currentIndex !== undefined) {
            if (d.tipo === "inteiro")
                return campo.currentIndex
            return campo.currentIndex >= 0 ? campo.currentText : anterior
        }
        if (d.tipo === "inteiro")
            return campo.acceptableInput ? parseInt(campo.text) : anterior
        return campo.text
    }

    function preenche() {
        model_conf_impressao.clear()
        var impressoras = JSON.parse(configuracoes.impressoras())
        for (var i = 0; i < impressoras.length; ++i)
            model_conf_impressao.append({ "text": impressoras[i].text })

        for (var j = 0; j < campos.length; ++j) {
            var d = definicoes[campos[j].chave]
            preencheCampo(campos[j], d, origem(configsAsJson, d)[d.nome])
        }
    }

    function recolhe() {
        var c = configsAsJson
        for (var j = 0; j < campos.length; ++j) {
            var d = definicoes[campos[j].chave]
            var o = origem(c, d)
            o[d.nome] = valorDoCampo(campos[j], d, o[d.nome])
        }
        return c
    }

    function escolhe(destino, valor) {
        // A cancelled picker answers with nothing: keep what was there.
        if (valor !== "")
            destino.text = valor
    }

    Component.onCompleted: {
        var tabela = JSON.parse(configuracoes.tabela())
        var porNome = {}
        for (var i = 0; i < tabela.length; ++i)
            porNome[tabela[i].nome] = tabela[i]
        definicoes = porNome
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
        // Shown when the stored text is none of the list's.
        property int semValor: 0
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
                    readonly property string chave: "tipo_operacao"
                    Layout.preferredWidth: 260
                    Layout.preferredHeight: 35
                    model: ["Troca de arquivos", "Autônoma"]
                }
                Rotulo { text: "Configuração de log:" }
                CheckBox {
                    id: cb_log
                    objectName: "cb_log"
                    readonly property string chave: "log"
                    text: "Habilitado"
                }
                Rotulo { text: "Configuração para display secundário:" }
                CheckBox {
                    id: cb_display
                    objectName: "cb_display"
                    readonly property string chave: "vitra"
                    text: "Habilitado"
                }
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
                        readonly property string chave: "path_in"
                        Layout.preferredWidth: 210
                        text: "C:/Cliente/Req"
                        elide: Text.ElideLeft
                        font.pixelSize: 14
                    }
                    BotaoClaro {
                        id: btn_pasta_req
                        objectName: "btn_pasta_req"
                        text: "Selecionar"
                        onClicked: config.escolhe(txt_caminho_req, configuracoes.escolherPasta())
                    }
                }
                Rotulo { text: "Nome do arquivo de requisição:" }
                Campo {
                    id: txt_nome_arquivo_req
                    objectName: "txt_nome_arquivo_req"
                    readonly property string chave: "file_req"
                    Layout.preferredWidth: 230
                    Layout.preferredHeight: 35
                }
                Rotulo { text: "Caminho da pasta de resposta:" }
                RowLayout {
                    Text {
                        id: txt_caminho_resp
                        objectName: "txt_caminho_resp"
                        readonly property string chave: "path_out"
                        Layout.preferredWidth: 210
                        text: "C:/Cliente/Resp"
                        elide: Text.ElideLeft
                        font.pixelSize: 14
                    }
                    BotaoClaro {
                        id: btn_pasta_resp
                        objectName: "btn_pasta_resp"
                        text: "Selecionar"
                        onClicked: config.escolhe(txt_caminho_resp, configuracoes.escolherPasta())
                    }
                }
                Rotulo { text: "Nome do arquivo de resposta:" }
                Campo {
                    id: txt_nome_arquivo_resp
                    objectName: "txt_nome_arquivo_resp"
                    readonly property string chave: "file_resp"
                    Layout.preferredWidth: 230
                    Layout.preferredHeight: 35
                }
                Rotulo { text: "Codificação dos arquivos:" }
                Combo {
                    id: cb_codificacao
                    objectName: "cb_codificacao"
                    readonly property string chave: "codificacao_arquivos"
                    Layout.preferredWidth: 260
                    Layout.preferredHeight: 35
                    model: ["utf-8", "windows-1252"]
                }
                Rotulo { text: "Configuração para comprovante:" }
                Combo {
                    id: cb_tp_comprovante
                    objectName: "cb_tp_comprovante"
                    readonly property string chave: "tag_comprovante"
                    Layout.preferredWidth: 260
                    Layout.preferredHeight: 35
                    model: ["Padrão", "Apenas via completa", "Apenas vias diferenciadas"]
                }
                Rotulo { text: "Configuração TAG028-001:" }
                CheckBox {
                    id: cb_conf_tag028
                    objectName: "cb_conf_tag028"
                    readonly property string chave: "tag_028_001"
                    text: "Habilitado"
                }
                Rotulo { text: "Configuração de ASPAS no comprovante:" }
                CheckBox {
                    id: cb_conf_aspas
                    objectName: "cb_conf_aspas"
                    readonly property string chave: "aspas_comprovante"
                    text: "Habilitado"
                }
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
                CheckBox {
                    id: cb_atualizacao_bloq
                    objectName: "cb_atualizacao_bloq"
                    readonly property string chave: "bloquear_atualizacao"
                    text: "Bloqueada"
                }
                Rotulo { text: "Configuração de atualização:" }
                CheckBox {
                    id: cb_conf_atualizacao
                    objectName: "cb_conf_atualizacao"
                    readonly property string chave: "iniciar_atualizacao_aut"
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
                    readonly property string chave: "altura_janela"
                    Layout.preferredWidth: 230
                    Layout.preferredHeight: 35
                    // 1 to 1000; unlike IntValidator, 1001 or 0 cannot even be typed
                    validator: RegularExpressionValidator { regularExpression: /[1-9][0-9]{0,2}|1000/ }
                }
                Rotulo { text: "Largura da janela:" }
                Campo {
                    id: txt_largura_janela
                    objectName: "txt_largura_janela"
                    readonly property string chave: "largura_janela"
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
                        onClicked: config.escolhe(txt_caminho_logo, configuracoes.escolherArquivo())
                    }
                    Text {
                        id: txt_caminho_logo
                        objectName: "txt_caminho_logo"
                        readonly property string chave: "caminho_logo"
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
                        onClicked: config.escolhe(txt_cor_destaque, configuracoes.escolherCor())
                    }
                    Text {
                        id: txt_cor_destaque
                        objectName: "txt_cor_destaque"
                        readonly property string chave: "cor_destaque"
                        font.pixelSize: 14
                    }
                }
                Rotulo { text: "Cor da fonte:" }
                RowLayout {
                    BotaoClaro {
                        id: btn_cor_fonte
                        objectName: "btn_cor_fonte"
                        text: "selecione a cor"
                        onClicked: config.escolhe(txt_cor_fonte, configuracoes.escolherCor())
                    }
                    Text {
                        id: txt_cor_fonte
                        objectName: "txt_cor_fonte"
                        readonly property string chave: "cor_fonte1"
                        font.pixelSize: 14
                    }
                }
                Rotulo { text: "Cor da fonte secundária:" }
                RowLayout {
                    BotaoClaro {
                        id: btn_cor_fonte2
                        objectName: "btn_cor_fonte2"
                        text: "selecione a cor"
                        onClicked: config.escolhe(txt_cor_fonte2, configuracoes.escolherCor())
                    }
                    Text {
                        id: txt_cor_fonte2
                        objectName: "txt_cor_fonte2"
                        readonly property string chave: "cor_fonte2"
                        font.pixelSize: 14
                    }
                }
                Rotulo { text: "Cor de fundo:" }
                RowLayout {
                    BotaoClaro {
                        id: btn_cor_fundo
                        objectName: "btn_cor_fundo"
                        text: "selecione a cor"
                        onClicked: config.escolhe(txt_cor_fundo, configuracoes.escolherCor())
                    }
                    Text {
                        id: txt_cor_fundo
                        objectName: "txt_cor_fundo"
                        readonly property string chave: "cor_fundo"
                        font.pixelSize: 14
                    }
                }
                Rotulo { text: "Cor de seleção:" }
                RowLayout {
                    BotaoClaro {
                        id: btn_cor_selecao
                        objectName: "btn_cor_selecao"
                        text: "selecione a cor"
                        onClicked: config.escolhe(txt_cor_selecao, configuracoes.escolherCor())
                    }
                    Text {
                        id: txt_cor_selecao
                        objectName: "txt_cor_selecao"
                        readonly property string chave: "cor_selecao"
                        font.pixelSize: 14
                    }
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
                CheckBox {
                    id: cb_hab_impressao
                    objectName: "cb_hab_impressao"
                    readonly property string chave: "habilita_impressao"
                    text: "Habilitado"
                }
                Rotulo { text: "Configuração de impressão:" }
                Combo {
                    id: cb_conf_impressao
                    objectName: "cb_conf_impressao"
                    readonly property string chave: "nome_impressora"
                    // A printer that has gone shows as none; its name stays unless another is chosen.
                    semValor: -1
                    Layout.preferredWidth: 260
                    Layout.preferredHeight: 35
                    enabled: cb_hab_impressao.checked
                    model: model_conf_impressao
                    textRole: "text"
                }
                Rotulo { text: "Gerar PDF:" }
                CheckBox {
                    id: cb_pdf_hab
                    objectName: "cb_pdf_hab"
                    readonly property string chave: "gerar_pdf"
                    text: "Habilitado"
                }
                Rotulo { text: "Visualizar PDF:" }
                CheckBox {
                    id: cb_visualiza_pdf
                    objectName: "cb_visualiza_pdf"
                    readonly property string chave: "visualizar_pdf"
                    text: "Habilitado"
                }
                Rotulo { text: "Caminho para arquivos PDF" }
                RowLayout {
                    Text {
                        id: txt_caminho_pdf
                        objectName: "txt_caminho_pdf"
                        readonly property string chave: "caminho_pdf"
                        Layout.preferredWidth: 210
                        elide: Text.ElideLeft
                        font.pixelSize: 14
                    }
                    BotaoClaro {
                        id: btn_pasta_pdf
                        objectName: "btn_pasta_pdf"
                        text: "Selecionar"
                        onClicked: config.escolhe(txt_caminho_pdf, configuracoes.escolherPasta())
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
            id: btn_salvar
            objectName: "btn_salvar"
            text: "Salvar"
            font.capitalization: Font.MixedCase
            Material.foreground: "#ffffff"
            topInset: 0
            bottomInset: 0
            background: Rectangle {
                implicitWidth: 110
                implicitHeight: 38
                radius: 4
                color: btn_salvar.down ? "#0077cc" : "#0099FF"
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
            id: btn_fechar
            objectName: "btn_fechar"
            text: "Fechar"
            font.pixelSize: 14
            onClicked: config.close()
        }
    }
}
