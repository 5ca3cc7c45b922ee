import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.App
import Vexlo.RaceDay

// The sidebar column beside the detail pane.
Item {
    id: root
    required property ContentViewModel contentModel
    required property LanguagePickerViewModel languagePicker
    required property ReceiptSettings receiptSettings
    property QtObject raceStore
    property QtObject reader
    property RaceDayDesk raceDay

    readonly property int sidebarWidth: 220
    readonly property int minimumWidth: sidebarWidth + 700
    readonly property int minimumHeight: 600

    RowLayout {
        anchors.fill: parent
        spacing: 0

        Sidebar {
            contentModel: root.contentModel
            Layout.preferredWidth: root.sidebarWidth
            Layout.maximumWidth: root.sidebarWidth
            Layout.fillHeight: true
        }
        Rectangle {
            Layout.preferredWidth: 1
            Layout.fillHeight: true
            color: Theme.divider
        }
        DetailPane {
            contentModel: root.contentModel
            languagePicker: root.languagePicker
            receiptSettings: root.receiptSettings
            raceStore: root.raceStore
            reader: root.reader
            raceDay: root.raceDay
            Layout.fillWidth: true
            Layout.fillHeight: true
        }
    }

    // The card-read toast over the bottom-trailing corner, over every section but the reader pane.
    CardReadToast {
        desk: root.raceDay
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 20
    }

    // The unmatched-card sheet, opened by "Register..." in the toast or the reader pane.
    Popup {
        objectName: "unmatchedCardSheet"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        padding: 24
        visible: root.raceDay !== null && root.raceDay.hasUnmatchedCard
        closePolicy: Popup.CloseOnEscape
        onClosed: if (root.raceDay) root.raceDay.clearUnmatchedCard()
        background: Rectangle {
            color: Theme.contentBackground
            radius: 10
            border.color: Theme.divider
        }
        contentItem: UnmatchedCardResolutionView {
            cardNumberText: root.raceDay ? root.raceDay.unmatchedCardText : ""
            onComplete: root.raceDay.clearUnmatchedCard()
        }
    }
}
