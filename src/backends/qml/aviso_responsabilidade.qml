import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Controls.Material 2.15

// Shown when the cashier leaves a transaction pending: the cashier must state
// that they understood the risk before going on.
Popup {
    id: aviso
    objectName: "aviso"
    width: 740
    height: 570
    x: Math.round((parent.width - width) / 2)
    y: Math.round((parent.height - height) / 2)
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    padding: 14

    onClosed: aviso.destroy()

    // Drawn by us: the style's shadow needs a GPU layer and vanishes under the
    // software renderer, taking the whole background with it.
    background: Rectangle {
        color: "#ffffff"
        radius: 6
        border.color: "#cfcfcf"
    }

    Column {
        id: conteudo
        anchors.fill: parent
        spacing: 7

        Text {
            id: tituloTela
            objectName: "tituloTela"
            // The text centres its second line with blanks: centre the block, not the lines.
            anchors.horizontalCenter: parent.horizontalCenter
            text: "ESTE CAIXA POSSUI PENDÊNCIA NO RECEBIMENTO \n                    (TRANSAÇÃO PENDENTE)"
            color: "red"
            font.bold: true
            font.pixelSize: 21
            font.family: "Verdana"
        }
        Text {
            id: perguntaMsg1
            text: "O que é uma pendência no recebimento (Transação Pendente) ?"
            font.bold: true
            font.pixelSize: 15
            font.family: "Verdana"
        }
        Text {
            id: respostaPergunta1
            text: "É uma venda que foi realizada no seu caixa, mas que o recebimento do valor ainda não \nfoi confirmado."
            font.pixelSize: 15
            font.family: "Verdana"
        }
        Text {
            id: perguntaMsg2
            text: "Como resolver uma pendência no recebimento (transação pendente)?"
            font.bold: true
            font.pixelSize: 15
            font.family: "Verdana"
        }
        Text {
            id: respostaPergunta2
            text: "Opção 1:\n  - Acessar no Gerenciador TEF Varda a opção Operação Administrativa\n  - Selecionar a opção: 2 - Administração pendente\n  - Verificar as transações pendentes listadas\n  - Selecionar qual operação deseja confirmar ou cancelar\n  - Confirmar"
            font.pixelSize: 15
            font.family: "Verdana"
        }
        Text {
            id: respostaPergunta21
            text: "Opção 2:\n - Acessar o portal pelo link:\n - Realizar a tratativa através do menu lateral Transações Pendentes"
            font.pixelSize: 15
            font.family: "Verdana"
        }
        Text {
            id: linkPelmora
            objectName: "linkPelmora"
            readonly property string endereco: "https://portal.pelmora.example/login"
            leftPadding: 12
            textFormat: Text.RichText
            text: "<a href=\"" + endereco + "\">" + endereco + "</a>"
            font.pixelSize: 15
            font.family: "Verdana"
            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: Qt.openUrlExternally(linkPelmora.endereco)
            }
        }
        Text {
            id: perguntaMsg3
            text: "O que acontece se uma pendência no recebimento (transação pendente) não \n for resolvida?"
            font.bold: true
            font.pixelSize: 15
            font.family: "Verdana"
        }
        Text {
            id: respostaPergunta3
            text: "Deixar de resolver uma pendência no recebimento implica na possibilidade de o valor \nnão ser creditado na conta, ocasionando risco de perda financeira."
            font.pixelSize: 15
            font.family: "Verdana"
        }
        Row {
            spacing: 4
            CheckBox {
                id: cb_aviso
                objectName: "cb_aviso"
                width: 35
                height: 48
                padding: 0
                text: ""
                font.family: "Tahoma"
                font.pointSize: 12
                anchors.verticalCenter: parent.verticalCenter
            }
            Text {
                id: textoCheckbox
                text: "Compreendo as explicações anteriores e estou ciente de que sou responsável por \nresolver qualquer pendência de recebimento (transação pendente), a fim de evitar \npossível perda financeira."
                color: "red"
                font.pixelSize: 15
                font.family: "Verdana"
                anchors.verticalCenter: parent.verticalCenter
            }
        }
    }

    Button {
        id: botaoConfirmar
        objectName: "botaoConfirmar"
        text: "Confirmar"
        width: 119
        height: 39
        font.family: "Tahoma"
        anchors.bottom: parent.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        font.capitalization: Font.MixedCase
        Material.foreground: "#ffffff"
        topInset: 0
        bottomInset: 0
        background: Rectangle {
            implicitWidth: 119
            implicitHeight: 39
            radius: 4
            color: botaoConfirmar.down ? "#0077cc" : "#0099FF"
        }
        onClicked: {
            if (!cb_aviso.checked) {
                element2.text = "Por favor, selecione a caixa seleção"
                popup.color = "#d93147"
                popup.visible = true
                time.restart()
                return
            }
            element2.text = "Termo Aceito"
            popup.color = "#008000"
            popup.visible = true
            aviso.close()
            janela.aceitarTermo()
        }
    }

    Rectangle {
        id: popup
        objectName: "popup"
        width: 450
        height: 55
        color: "#d93147"
        radius: 10
        opacity: 0.9
        visible: false
        anchors.top: parent.top
        anchors.right: parent.right

        Text {
            id: element2
            objectName: "element2"
            text: "ERRO"
            color: "white"
            font.pixelSize: 18
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
        id: time
        interval: 3000
        repeat: false
        onTriggered: popup.visible = false
    }
}
