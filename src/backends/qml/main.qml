import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15
import QtQuick.Controls.Material 2.15
import Qt.labs.platform 1.1 as Platform

// The cashier's window. It decides nothing by itself: the controller's signals
// say what is on screen, and every action is a call back into the controller.
ApplicationWindow {
    id: window
    objectName: "window"
    visible: true
    width: 850
    height: 590
    color: corFundo
    title: "Varda Pay - Vantor"

    property Rectangle rectangleList: Rectangle { color: "#cbeaff" }
    property int tipoOperacao
    property bool isFormatValue: false
    property bool componenteCriado: false
    property var instanciaComponente

    // The look, changed only by the controller's colour signals.
    property color corDestaque: "#0099FF"
    property color corFonte: "#000000"
    property color corFonteSecundaria: "#ffffff"
    property color corFundo: "#ffffff"

    Material.theme: Material.Light
    Material.accent: corDestaque
    Material.primary: corDestaque

    // The dialogue buttons: all alike but for label and action. The background is
    // our own, since the style's elevation needs a GPU layer and vanishes under
    // the software renderer.
    component BotaoVarda: Button {
        id: botao
        width: 120
        height: 45
        visible: false
        palette.button: "#0099FF"
        Material.background: window.corDestaque
        topInset: 0
        bottomInset: 0
        background: Rectangle {
            implicitWidth: 120
            implicitHeight: 45
            radius: 6
            color: botao.down ? Qt.darker(window.corDestaque, 1.25)
                              : (botao.hovered ? Qt.lighter(window.corDestaque, 1.1) : window.corDestaque)
        }
    }

    component RotuloBotao: Text {
        color: window.corFonteSecundaria
        font.pixelSize: 17
        font.family: vardaFont.name
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }

    FontLoader {
        id: vardaFont
        source: "Assets/Montserrat-SemiBold.ttf"
    }

    function mostraBanner(texto, cor) {
        element2.text = texto
        rectangle2.color = cor
        rectangle2.visible = true
        time.restart()
    }

    function confirma() {
        // The field the controller put on screen is the one being answered.
        if (rec.visible && !textField.visible)
            controller.onClickButtonOK(list.currentIndex.toString(), 2)
        else
            controller.onClickButtonOK(textField.text, 1)
    }

    function abrePopup(arquivo) {
        window.show()
        window.raise()
        window.requestActivate()
        var componente = Qt.createComponent(arquivo)
        if (componente.status === Component.Ready) {
            var instancia = componente.createObject(window.contentItem)
            if (instancia === null) {
                console.log("Falha ao criar o componente.")
                return
            }
            console.log("Componente criado com sucesso!")
            componenteCriado = true
            instanciaComponente = instancia
            instancia.open()
        } else {
            console.log("Falha ao carregar o componente.")
        }
    }

    onClosing: {
        close.accepted = false
        if (controller.tefInProcess()) {
            controller.showMessageError("Transação em processamento")
            return
        }
        // Autonomous-only or not, the program lives on in the tray; "Sair" ends it.
        controller.isAutOnly()
        window.hide()
    }

    Image {
        id: image
        objectName: "image"
        width: 758
        height: 41
        anchors.top: parent.top
        anchors.topMargin: 19
        anchors.horizontalCenter: parent.horizontalCenter
        source: "Assets/Logo Varda Pay - Azul.png"
        fillMode: Image.PreserveAspectFit
    }

    // The banner sits on the overlay so that it stays readable above an open popup.
    Rectangle {
        id: rectangle2
        objectName: "rectangle2"
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
            id: element2
            objectName: "element2"
            text: "ERRO"
            color: "#FFFFFF"
            font.pixelSize: 18
            font.family: vardaFont.name
            anchors.fill: parent
            anchors.margins: 6
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            wrapMode: Text.WordWrap
            fontSizeMode: Text.Fit
            minimumPixelSize: 10
        }
    }

    Text {
        id: stringText
        visible: false
        text: " "
    }

    Timer {
        id: time
        objectName: "time"
        interval: 4000
        repeat: false
        running: false
        onTriggered: rectangle2.visible = false
    }

    Text {
        id: element3
        visible: false
        text: ""
    }

    Text {
        id: imageData
        objectName: "imageData"
        visible: false
        text: ""
    }

    Rectangle {
        id: rectangle
        objectName: "rectangle"
        color: corDestaque
        radius: 25
        border.color: "transparent"
        anchors.top: image.bottom
        anchors.topMargin: 22
        anchors.bottom: rectangle1.top
        anchors.bottomMargin: -40
        anchors.left: parent.left
        anchors.right: parent.right

        Text {
            id: element
            objectName: "element"
            text: "TEF em operação"
            color: corFonteSecundaria
            font.pixelSize: 22
            font.family: vardaFont.name
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
        id: rectangle1
        objectName: "rectangle1"
        color: corFundo
        radius: 25
        border.color: "transparent"
        anchors.top: parent.top
        anchors.topMargin: 148
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom

        Text {
            id: element1
            objectName: "element1"
            text: "Aguardando arquivo intpos"
            color: corFonte
            font.pixelSize: 24
            font.family: vardaFont.name
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
            id: textField
            objectName: "textField"
            visible: false
            height: 40
            font.pixelSize: 24
            font.family: vardaFont.name
            color: corFonte
            placeholderText: ""
            topPadding: 4
            bottomPadding: 4
            horizontalAlignment: TextInput.AlignHCenter
            anchors.top: element1.bottom
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
                    controller.onClickButtonCancelar()
                }
            }

            onTextEdited: {
                if (!window.isFormatValue)
                    return
                var digitos = text.replace(/[^0-9.]/g, "")
                text = controller.formataValor(digitos)
                cursorPosition = text.length
            }
        }

        Rectangle {
            id: rec
            objectName: "rec"
            visible: false
            height: 124
            color: "transparent"
            border.color: "#cbeaff"
            border.width: 0
            anchors.top: element1.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.leftMargin: 10
            anchors.rightMargin: 10

            ListModel {
                id: listmodel
                objectName: "listmodel"
                ListElement { name: "VALOR 01" }
                ListElement { name: "VALOR 01" }
            }

            Component {
                id: contactDelegate
                Item {
                    width: list.width
                    height: 30
                    MouseArea {
                        anchors.fill: parent
                        onClicked: {
                            list.currentIndex = index
                            console.log("click: " + index)
                        }
                    }
                    Row {
                        x: 10
                        Text {
                            width: 80
                            height: 30
                            text: name
                            color: corFonte
                            font.pixelSize: 20
                            font.family: vardaFont.name
                            verticalAlignment: Text.AlignVCenter
                        }
                    }
                }
            }

            ListView {
                id: list
                objectName: "list"
                anchors.fill: parent
                focus: true
                clip: true
                model: listmodel
                delegate: contactDelegate
                highlightMoveDuration: 0
                highlightMoveVelocity: -1
                highlightResizeDuration: 0
                highlightResizeVelocity: -1
                highlight: Rectangle {
                    radius: 5
                    color: window.rectangleList.color
                }

                Keys.onPressed: {
                    if (event.key === Qt.Key_Enter) {
                        event.accepted = true
                        if (window.tipoOperacao === 1)
                            controller.onClickButtonAutonomoOk(list.currentIndex)
                        else
                            controller.onClickButtonOK(list.currentIndex.toString(), 2)
                    } else if (event.key === Qt.Key_Up) {
                        event.accepted = true
                        if (list.currentIndex > 0)
                            list.currentIndex = list.currentIndex - 1
                    } else if (event.key === Qt.Key_Down) {
                        event.accepted = true
                        if (list.currentIndex < list.count - 1)
                            list.currentIndex = list.currentIndex + 1
                    }
                }
            }
        }

        Row {
            id: row
            objectName: "row"
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
                id: button
                objectName: "button"
                onClicked: window.confirma()
                contentItem: RotuloBotao { id: textButtonOK; text: "OK" }
            }
            BotaoVarda {
                id: button1
                objectName: "button1"
                onClicked: controller.onClickButtonVoltar()
                contentItem: RotuloBotao { id: textButtonVoltar; text: "VOLTAR" }
            }
            BotaoVarda {
                id: button2
                objectName: "button2"
                onClicked: controller.onClickButtonCancelar()
                contentItem: RotuloBotao { id: textButtonCancelar; text: "CANCELAR" }
            }
            BotaoVarda {
                id: btn_updater_sim
                objectName: "btn_updater_sim"
                onClicked: controller.onClickButtonUpdaterSim()
                contentItem: RotuloBotao { id: text_btn_updater_sim; text: "SIM" }
            }
            BotaoVarda {
                id: btn_updater_nao
                objectName: "btn_updater_nao"
                onClicked: controller.onClickButtonUpdaterNao()
                contentItem: RotuloBotao { id: text_btn_updater_nao; text: "NÃO" }
            }
            BotaoVarda {
                id: bt_autonomo_ok
                objectName: "bt_autonomo_ok"
                onClicked: controller.onClickButtonAutonomoOk(list.currentIndex)
                contentItem: RotuloBotao { id: text_bt_autonomo_ok; text: "OK" }
            }
            BotaoVarda {
                id: bt_autonomo_cancelar
                objectName: "bt_autonomo_cancelar"
                onClicked: controller.initComponentAutonomo()
                contentItem: RotuloBotao { id: text_bt_autonomo_cancelar; text: "CANCELAR" }
            }
        }

        Image {
            id: imagePix
            objectName: "imagePix"
            visible: false
            width: 180
            height: 180
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.bottom: row.top
            anchors.bottomMargin: 5
            fillMode: Image.PreserveAspectFit
            source: imageData.text !== "" ? "data:image/png;base64," + imageData.text : ""
        }

        ProgressBar {
            id: progressBar
            objectName: "progressBar"
            height: 5
            indeterminate: true
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
        }
    }

    Connections {
        target: controller

        function onShowAviso() { window.abrePopup("aviso_responsabilidade.qml") }
        function onShowConfigs() { window.abrePopup("configs.qml") }
        function onHeightChanged(value) { window.height = value }
        function onWidthChanged(value) { window.width = value }
        function onPathImageChanged(path) {
            // Only an absolute path can name a file of its own: the default, a bare
            // file name, is the built-in logo that is already on screen.
            var absoluto = /^([A-Za-z]:)?[\/\\]/.test(path)
            if (controller.existeArquivo(path) && absoluto)
                image.source = "file:///" + path.replace(/^[\/\\]+/, "")
        }
        function onFirstColorChanged(color) {
            if (controller.validaHex(color))
                window.corDestaque = color
        }
        function onFontColorChanged(color) {
            if (controller.validaHex(color))
                window.corFonte = color
        }
        function onBackgroundColorChanged(color) {
            if (controller.validaHex(color))
                window.corFundo = color
        }
        function onSecondFontColorChanged(color) {
            if (controller.validaHex(color))
                window.corFonteSecundaria = color
        }
        function onSelectionColorChanged(color) {
            if (controller.validaHex(color))
                window.rectangleList.color = color
        }
        function onTextImageDataChanged(valor) { imageData.text = valor }
        function onDisableImage(enable) { imagePix.visible = !enable }
        function onTextChanged(valor) { element1.text = valor }
        function onFirstTextChanged(valor) { element.text = valor }
        function onTextfiledChanged(valor) { textField.text = valor }
        function onClearTextFieldInputMask() { textField.inputMask = "" }
        function onSetTextFieldInputMask(mask) { textField.inputMask = mask }
        function onSetTextFieldPasswordMode(isPassword) {
            textField.echoMode = isPassword ? TextInput.Password : TextInput.Normal
        }
        function onDisableButtonOK(enable) { button.visible = !enable }
        function onDisableButtonVoltar(enable) { button1.visible = !enable }
        function onDisableButtonCancelar(enable) { button2.visible = !enable }
        function onDisableTextField(enable) {
            textField.visible = !enable
            if (!enable)
                textField.forceActiveFocus()
        }
        function onDisableListView(enable) {
            rec.visible = !enable
            if (!enable)
                list.forceActiveFocus()
        }
        function onDisableProgressBar(enable) { progressBar.visible = !enable }
        function onShowMessageError(err) { window.mostraBanner(err, "#d93147") }
        function onShowMessage(success) { window.mostraBanner(success, "#008000") }
        function onShowWindow(show) {
            if (show) {
                window.show()
                window.raise()
                window.requestActivate()
                controller.configureWindowToFront(true)
            } else {
                window.visibility = Window.Hidden
            }
        }
        function onShowUpdater(show) {
            // The updater drives its own texts and buttons through the other signals;
            // this only brings the window forward for its reports.
            if (show)
                onShowWindow(true)
        }
        function onDisableButtonUpdaterSim(enable) { btn_updater_sim.visible = enable }
        function onDisableButtonUpdaterNao(enable) { btn_updater_nao.visible = enable }
        function onAddItemList(item) { listmodel.append({ "name": item }) }
        function onClearItemsList() { listmodel.clear() }
        function onSelectItemList(index) { list.currentIndex = index }
        function onDisableButtonAutonomoOk(enable) { bt_autonomo_ok.visible = !enable }
        function onDisableButtonAutonomoCancelar(enable) { bt_autonomo_cancelar.visible = !enable }
        function onSendTypeOperation(type) { window.tipoOperacao = type }
        function onFormatValue(enable) { window.isFormatValue = enable }
        function onMinimized() { window.showMinimized() }
    }
}
