import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15
import QtQuick.Controls.Material 2.15

// The cashier's window. It decides nothing by itself: it shows what "janela"
// (the window model) holds, and every action is a call back into it.
ApplicationWindow {
    id: window
    objectName: "window"
    visible: true
    width: janela.largura
    height: janela.altura
    color: janela.corFundo
    title: "Varda Pay - Vantor"

    Material.theme: Material.Light
    Material.accent: janela.corDestaque
    Material.primary: janela.corDestaque

    // The dialogue buttons: all alike but for label and action. The background is
    // our own, since the style's elevation needs a GPU layer and vanishes under
    // the software renderer.
    component BotaoVarda: Button {
        id: botao
        property alias rotulo: rotuloBotao.text
        width: 120
        height: 45
        topInset: 0
        bottomInset: 0
        background: Rectangle {
            implicitWidth: 120
            implicitHeight: 45
            radius: 6
            color: botao.down ? Qt.darker(janela.corDestaque, 1.25)
                              : (botao.hovered ? Qt.lighter(janela.corDestaque, 1.1) : janela.corDestaque)
        }
        contentItem: Text {
            id: rotuloBotao
            color: janela.corFonteSecundaria
            font.pixelSize: 17
            font.family: fonte.name
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }

    FontLoader {
        id: fonte
        source: "Assets/Montserrat-SemiBold.ttf"
    }

    function mostraAviso(texto, erro) {
        textoAviso.text = texto
        faixaAviso.color = erro ? "#d93147" : "#008000"
        faixaAviso.visible = true
        tempoAviso.restart()
    }

    function confirma() {
        janela.ok(campo.text, listaOpcoes.currentIndex)
    }

    function abrePopup(arquivo) {
        window.show()
        window.raise()
        window.requestActivate()
        var componente = Qt.createComponent(arquivo)
        var popup = componente.status === Component.Ready ? componente.createObject(window.contentItem) : null
        if (popup === null) {
            console.warn("Falha ao abrir " + arquivo + ": " + componente.errorString())
            return
        }
        popup.open()
    }

    onClosing: {
        // The program lives on in the tray; "Sair" ends it.
        close.accepted = false
        janela.fechar()
    }

    Connections {
        target: janela

        function onTrazidaParaFrente() {
            window.show()
            window.raise()
            window.requestActivate()
            janela.fixarNoTopo(window)
        }
        function onOcultada() { window.visibility = Window.Hidden }
        function onMinimizada() { window.showMinimized() }
        function onAviso(texto, erro) { window.mostraAviso(texto, erro) }
        function onCampoPreenchido(texto) {
            campo.text = texto
            campo.forceActiveFocus()
        }
        function onOpcaoSelecionada(indice) {
            listaOpcoes.currentIndex = indice
            listaOpcoes.forceActiveFocus()
        }
        function onConfiguracoesAbertas() { window.abrePopup("configs.qml") }
        function onAvisoPendenciaAberto() { window.abrePopup("aviso_responsabilidade.qml") }
    }

    Image {
        id: logo
        objectName: "logo"
        width: 758
        height: 41
        anchors.top: parent.top
        anchors.topMargin: 19
        anchors.horizontalCenter: parent.horizontalCenter
        source: janela.logo
        fillMode: Image.PreserveAspectFit
    }

    // The banner sits on the overlay so that it stays readable above an open popup.
    Rectangle {
        id: faixaAviso
        objectName: "faixaAviso"
        parent: Overlay.overlay
        z: 1000
        width: 450
        height: 55
        radius: 10
        color: "#d93147"
        visible: false
        anchors.top: parent.top
        anchors.right: parent.right
        anchors.topMargin: 10
        anchors.rightMargin: 10

        Text {
            id: textoAviso
            objectName: "textoAviso"
            color: "#FFFFFF"
            font.pixelSize: 18
            font.family: fonte.name
            anchors.fill: parent
            anchors.margins: 6
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            wrapMode: Text.WordWrap
            fontSizeMode: Text.Fit
            minimumPixelSize: 10
        }
    }

    Timer {
        id: tempoAviso
        objectName: "tempoAviso"
        interval: 4000
        onTriggered: faixaAviso.visible = false
    }

    Rectangle {
        id: faixaTitulo
        objectName: "faixaTitulo"
        color: janela.corDestaque
        radius: 25
        border.color: "transparent"
        anchors.top: logo.bottom
        anchors.topMargin: 22
        anchors.bottom: areaMensagem.top
        anchors.bottomMargin: -40
        anchors.left: parent.left
        anchors.right: parent.right

        Text {
            id: titulo
            objectName: "titulo"
            text: janela.titulo
            color: janela.corFonteSecundaria
            font.pixelSize: 22
            font.family: fonte.name
            height: 65
            anchors.top: parent.top
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.leftMargin: 20
            anchors.rightMargin: 20
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            fontSizeMode: Text.Fit
            minimumPixelSize: 10
            wrapMode: Text.WordWrap
        }
    }

    Rectangle {
        id: areaMensagem
        objectName: "areaMensagem"
        color: janela.corFundo
        radius: 25
        border.color: "transparent"
        anchors.top: parent.top
        anchors.topMargin: 148
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom

        Text {
            id: mensagem
            objectName: "mensagem"
            text: janela.mensagem
            color: janela.corFonte
            font.pixelSize: 24
            font.family: fonte.name
            lineHeight: 0.8
            minimumPixelSize: 10
            fontSizeMode: Text.Fit
            anchors.fill: parent
            anchors.margins: 10
            anchors.bottomMargin: 185
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
            wrapMode: Text.WordWrap
        }

        TextField {
            id: campo
            objectName: "campo"
            visible: janela.campoVisivel
            inputMask: janela.campoMascara
            echoMode: janela.campoSenha ? TextInput.Password : TextInput.Normal
            height: 40
            font.pixelSize: 24
            font.family: fonte.name
            color: janela.corFonte
            topPadding: 4
            bottomPadding: 4
            horizontalAlignment: TextInput.AlignHCenter
            anchors.top: mensagem.bottom
            anchors.topMargin: 30
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.leftMargin: 10
            anchors.rightMargin: 10

            Keys.onPressed: {
                // Only the keypad's Enter confirms: a stray Return must not.
                if (event.key === Qt.Key_Enter) {
                    event.accepted = true
                    window.confirma()
                } else if (event.key === Qt.Key_Escape) {
                    event.accepted = true
                    janela.cancelar()
                }
            }

            onTextEdited: {
                if (!janela.campoMoeda)
                    return
                text = janela.formatarValor(text.replace(/[^0-9.]/g, ""))
                cursorPosition = text.length
            }
        }

        Rectangle {
            id: lista
            objectName: "lista"
            visible: janela.listaVisivel
            height: 124
            color: "transparent"
            anchors.top: mensagem.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.leftMargin: 10
            anchors.rightMargin: 10

            ListView {
                id: listaOpcoes
                objectName: "listaOpcoes"
                anchors.fill: parent
                focus: true
                clip: true
                model: janela.opcoes
                highlightMoveDuration: 0
                highlightMoveVelocity: -1
                highlightResizeDuration: 0
                highlightResizeVelocity: -1
                highlight: Rectangle {
                    radius: 5
                    color: janela.corSelecao
                }
                delegate: Item {
                    width: listaOpcoes.width
                    height: 30
                    MouseArea {
                        anchors.fill: parent
                        onClicked: listaOpcoes.currentIndex = index
                    }
                    Text {
                        x: 10
                        height: 30
                        text: modelData
                        color: janela.corFonte
                        font.pixelSize: 20
                        font.family: fonte.name
                        verticalAlignment: Text.AlignVCenter
                    }
                }

                Keys.onPressed: {
                    if (event.key === Qt.Key_Enter) {
                        event.accepted = true
                        window.confirma()
                    } else if (event.key === Qt.Key_Up) {
                        event.accepted = true
                        if (listaOpcoes.currentIndex > 0)
                            listaOpcoes.currentIndex = listaOpcoes.currentIndex - 1
                    } else if (event.key === Qt.Key_Down) {
                        event.accepted = true
                        if (listaOpcoes.currentIndex < listaOpcoes.count - 1)
                            listaOpcoes.currentIndex = listaOpcoes.currentIndex + 1
                    }
                }
            }
        }

        Row {
            id: botoes
            objectName: "botoes"
            height: 45
            spacing: 10
            layoutDirection: Qt.RightToLeft
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.leftMargin: 10
            anchors.rightMargin: 10
            anchors.bottomMargin: 15

            BotaoVarda {
                id: botaoOk
                objectName: "botaoOk"
                rotulo: "OK"
                visible: janela.botaoOk
                onClicked: window.confirma()
            }
            BotaoVarda {
                id: botaoVoltar
                objectName: "botaoVoltar"
                rotulo: "VOLTAR"
                visible: janela.botaoVoltar
                onClicked: janela.voltar()
            }
            BotaoVarda {
                id: botaoCancelar
                objectName: "botaoCancelar"
                rotulo: "CANCELAR"
                visible: janela.botaoCancelar
                onClicked: janela.cancelar()
            }
            BotaoVarda {
                id: botaoSim
                objectName: "botaoSim"
                rotulo: "SIM"
                visible: janela.botaoSim
                onClicked: janela.sim()
            }
            BotaoVarda {
                id: botaoNao
                objectName: "botaoNao"
                rotulo: "NÃO"
                visible: janela.botaoNao
                onClicked: janela.nao()
            }
            BotaoVarda {
                id: botaoMenuOk
                objectName: "botaoMenuOk"
                rotulo: "OK"
                visible: janela.botaoMenuOk
                onClicked: janela.escolherOperacao(listaOpcoes.currentIndex)
            }
            BotaoVarda {
                id: botaoMenuCancelar
                objectName: "botaoMenuCancelar"
                rotulo: "CANCELAR"
                visible: janela.botaoMenuCancelar
                onClicked: janela.voltarAoMenu()
            }
        }

        Image {
            id: qrCode
            objectName: "qrCode"
            visible: janela.qrCodeVisivel
            width: 180
            height: 180
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.bottom: botoes.top
            anchors.bottomMargin: 5
            fillMode: Image.PreserveAspectFit
            source: janela.qrCode !== "" ? "data:image/png;base64," + janela.qrCode : ""
        }

        ProgressBar {
            id: barraOcupado
            objectName: "barraOcupado"
            visible: janela.ocupado
            height: 5
            indeterminate: true
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
        }
    }
}
