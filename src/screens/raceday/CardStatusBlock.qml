import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.RaceDay

// What the last card read shows, in the reader pane and in the card-read toast: nothing read
// yet, the card being read out, the result recorded for it, or the card that belongs to nobody.
ColumnLayout {
    id: root
    property RaceDayDesk desk
    // The toast puts "Register..." beside the card texts rather than below them.
    property bool inToast: false
    readonly property int status: desk ? desk.cardStatus : RaceDayDesk.NoCard
    spacing: 4

    Label {
        objectName: "noCardText"
        visible: root.status === RaceDayDesk.NoCard && !root.inToast
        text: qsTranslate("Vexlo", "No card read yet")
        color: Theme.secondaryText
        font: Theme.body
    }
    CardResultPanelView {
        visible: root.status === RaceDayDesk.Result
        panel: root.desk ? root.desk.cardPanel : ({})
        Layout.fillWidth: true
    }
    RowLayout {
        visible: root.status === RaceDayDesk.Reading
        spacing: 8
        BusyIndicator {
            running: parent.visible
            Layout.preferredWidth: 20
            Layout.preferredHeight: 20
        }
        Label {
            objectName: "progressText"
            text: root.desk ? root.desk.progressText : ""
            color: Theme.secondaryText
            font: Theme.body
        }
    }
    Label {
        objectName: "interruptedText"
        visible: root.status === RaceDayDesk.Interrupted
        text: root.desk ? root.desk.interruptedText : ""
        color: Theme.tint("orange", 1.0)
        font: Theme.body
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    GridLayout {
        visible: root.status === RaceDayDesk.Unmatched
        columns: root.inToast ? 2 : 1
        rowSpacing: 4
        columnSpacing: 8
        Layout.fillWidth: true
        // In the toast the texts take the room the button leaves and wrap.
        ColumnLayout {
            spacing: 4
            Layout.fillWidth: root.inToast
            Label {
                objectName: "unmatchedCardNumber"
                text: root.desk ? root.desk.cardNumberText : ""
                font: Theme.headline
                color: Theme.primaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: root.inToast
            }
            Label {
                text: qsTranslate("Vexlo", "No participant registered for this card")
                color: Theme.tint("orange", 1.0)
                font: Theme.body
                wrapMode: Text.WordWrap
                Layout.fillWidth: root.inToast
            }
        }
        IconButton {
            objectName: "registerButton"
            title: "Register..."
            systemImage: "person.badge.plus"
            onClicked: root.desk.registerShownCard()
        }
    }
}
