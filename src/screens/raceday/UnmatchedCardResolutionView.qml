import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// The sheet for a card read that belongs to no runner. Registering the card to a runner is the
// entry screens' business; here the card is named and the sheet closes.
ColumnLayout {
    id: root
    property string cardNumberText
    signal complete()
    spacing: 16
    implicitWidth: 400

    Label {
        text: qsTranslate("Vexlo", "No participant registered for this card")
        font: Theme.title3
        color: Theme.primaryText
    }
    Label {
        objectName: "unmatchedSheetCardNumber"
        text: root.cardNumberText
        font: Theme.headline
        color: Theme.primaryText
    }
    RowLayout {
        Layout.fillWidth: true
        Item { Layout.fillWidth: true }
        Button {
            objectName: "unmatchedSheetClose"
            text: qsTranslate("Vexlo", "Close")
            highlighted: true
            onClicked: root.complete()
        }
    }
}
