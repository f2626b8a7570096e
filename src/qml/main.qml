import QtQuick 2.15
import QtQuick.Window 2.15

Window {
    id: mainWindow
    title: "Varda Pay - Vantor"
    width: 850
    height: 590
    visible: false
}
