import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.App
import Vexlo.Settings
import Vexlo.RaceDay
import Vexlo.Entries
import Vexlo.Event

// The sidebar column beside the detail pane.
Item {
    id: root
    required property ContentViewModel contentModel
    required property LanguagePickerViewModel languagePicker
    required property ReceiptSettings receiptSettings
    required property SaveStatus saveStatus
    property QtObject raceStore
    property QtObject reader
    property RaceDayDesk raceDay

    readonly property int sidebarWidth: 220
    readonly property int minimumWidth: sidebarWidth + 700
    readonly property int minimumHeight: 600

    // Ctrl+S (the window's shortcut) in every section: the event to its file, or, without one,
    // the save dialog. A screen that says how a save went itself (the Events section) saves
    // through its own `saveEvent()`; elsewhere the outcome shows at the foot until another section
    // is chosen.
    EventFileViewModel { id: fileActions; raceStore: root.raceStore }
    property string savedFromSection: ""
    function saveEvent() {
        const focused = root.Window.activeFocusItem
        // A field being typed in writes its text first.
        if (focused)
            root.forceActiveFocus()
        const screen = detailPane.currentScreen
        if (screen && typeof screen.saveEvent === "function") {
            root.savedFromSection = ""
            screen.saveEvent()
        } else {
            root.savedFromSection = root.contentModel.selectedItem
            fileActions.saveEvent()
        }
        if (focused)
            focused.forceActiveFocus()
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

    // The event file could not be read at start-up: which file, what was opened instead, and a
    // way to put the event in a file of the organiser's choosing. Stays until that is done.
    Rectangle {
        objectName: "unreadableFileBanner"
        visible: root.saveStatus.unreadableFileText !== ""
        color: Theme.tint("orange", 0.18)
        Layout.fillWidth: true
        implicitHeight: visible ? unreadableColumn.implicitHeight + 16 : 0
        ColumnLayout {
            id: unreadableColumn
            anchors.fill: parent
            anchors.margins: 8
            anchors.leftMargin: 16
            spacing: 4
            RowLayout {
                spacing: 12
                Layout.fillWidth: true
                Label {
                    objectName: "unreadableFileText"
                    text: root.saveStatus.unreadableFileText
                    font: Theme.body
                    color: Theme.primaryText
                    wrapMode: Text.WordWrap
                    Layout.fillWidth: true
                }
                Button {
                    objectName: "unreadableFileSaveAs"
                    text: qsTranslate("Vexlo", "Save As...")
                    onClicked: root.saveStatus.chooseRecoveryFile()
                }
            }
            Label {
                objectName: "unreadableFileSaveError"
                visible: root.saveStatus.saveAsError !== ""
                text: root.saveStatus.saveAsError
                font: Theme.body
                color: Theme.error
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
        }
    }
    // The event file named on the command line (or handed over by a second start) that could
    // not be opened, in Open's words; the window goes on with the event it had.
    Rectangle {
        objectName: "openFileErrorBanner"
        visible: root.saveStatus.openFileError !== ""
        color: Theme.tint("red", 0.18)
        Layout.fillWidth: true
        implicitHeight: openFileErrorRow.implicitHeight + 16
        RowLayout {
            id: openFileErrorRow
            anchors.fill: parent
            anchors.margins: 8
            anchors.leftMargin: 16
            spacing: 12
            Label {
                objectName: "openFileErrorText"
                text: root.saveStatus.openFileError
                font: Theme.body
                color: Theme.primaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            Button {
                objectName: "openFileErrorOk"
                text: qsTranslate("Vexlo", "OK")
                onClicked: root.saveStatus.dismissOpenFileError()
            }
        }
    }
    // Changes start-up could not restore whole: left out, and where they are kept.
    Rectangle {
        objectName: "unrestoredBanner"
        visible: root.saveStatus.unrestoredText !== ""
        color: Theme.tint("red", 0.18)
        Layout.fillWidth: true
        implicitHeight: unrestoredRow.implicitHeight + 16
        RowLayout {
            id: unrestoredRow
            anchors.fill: parent
            anchors.margins: 8
            anchors.leftMargin: 16
            spacing: 12
            Label {
                objectName: "unrestoredText"
                text: root.saveStatus.unrestoredText
                font: Theme.body
                color: Theme.primaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            Button {
                text: qsTranslate("Vexlo", "OK")
                onClicked: root.saveStatus.dismissUnrestored()
            }
        }
    }

    RowLayout {
        Layout.fillWidth: true
        Layout.fillHeight: true
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
            id: detailPane
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

    // How Ctrl+S went, at the foot of the section it was pressed in.
    Label {
        objectName: "shortcutSaveLine"
        visible: text !== "" && root.savedFromSection !== "" && root.savedFromSection === root.contentModel.selectedItem
        text: fileActions.fileError !== "" ? fileActions.fileError : fileActions.savedMessage
        color: fileActions.fileError !== "" ? Theme.error : Theme.secondaryText
        font: Theme.body
        wrapMode: Text.WordWrap
        leftPadding: 16
        rightPadding: 16
        topPadding: 6
        bottomPadding: 6
        Layout.fillWidth: true
    }

    // While the event cannot be saved the whole window says so; then that it works again. At the
    // foot of the window: its coming and going moves nothing under the pointer.
    Rectangle {
        id: saveStatusBanner
        objectName: "saveStatusBanner"
        readonly property bool failing: root.saveStatus.problemText !== ""
        visible: failing || root.saveStatus.recoveredText !== ""
        color: failing ? Theme.tint("red", 0.18) : Theme.tint("green", 0.18)
        Layout.fillWidth: true
        implicitHeight: bannerRow.implicitHeight + 16
        RowLayout {
            id: bannerRow
            anchors.fill: parent
            anchors.margins: 8
            anchors.leftMargin: 16
            spacing: 12
            Label {
                objectName: "saveStatusText"
                text: parent.parent.failing ? root.saveStatus.problemText : root.saveStatus.recoveredText
                font: Theme.body
                color: Theme.primaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            Button {
                objectName: "saveStatusDismiss"
                visible: !parent.parent.failing
                text: qsTranslate("Vexlo", "OK")
                onClicked: root.saveStatus.dismissRecovered()
            }
        }
    }
    }

    // The card-read toast over the bottom-trailing corner, over every section but the reader pane.
    CardReadToast {
        desk: root.raceDay
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 20
        // Clear of the save banner's button.
        anchors.bottomMargin: 20 + (saveStatusBanner.visible ? saveStatusBanner.height : 0)
    }

    // The unmatched-card sheet, opened by "Register..." in the toast or the reader pane: its list
    // (or, on a slave, its notice) in a sheet, its new-runner side in the participant editor.
    UnmatchedCardSheet {
        id: unmatched
        store: root.raceStore
        desk: root.raceDay
        onChanged: {
            if (mode === "editor" && !newRunnerEditor.model.open)
                newRunnerEditor.model.editDraft(root.raceStore, draftParticipant())
        }
    }
    Sheet {
        padding: 24
        readonly property bool shown: unmatched.mode === "list" || unmatched.mode === "slave"
        visible: shown
        onClosed: if (shown) unmatched.cancel()
        onDefaultAction: if (unmatched.mode === "slave") unmatched.cancel()
        contentItem: UnmatchedCardResolutionView {
            objectName: "unmatchedCardSheet"
            sheet: unmatched
        }
    }
    ParticipantEditView {
        id: newRunnerEditor
        onSave: unmatched.saveNewParticipant(model.resultValue())
        onCancel: unmatched.cancel()
    }
}
