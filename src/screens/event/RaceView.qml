import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Event

// The Events section: the event's file (new, open, save, save as, recent files) and its details.
Item {
    id: root
    objectName: "raceView"
    property QtObject raceStore

    EventFileViewModel { id: vm; raceStore: root.raceStore }

    // The window's Ctrl+S, saved here so that this section's messages say how it went.
    function saveEvent() {
        vm.saveEvent()
    }

    function startNew() {
        if (vm.newNeedsConfirmation())
            confirmNew.open()
        else
            vm.newEvent()
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 20
        spacing: 16

        RowLayout {
            Layout.fillWidth: true
            Label { text: qsTranslate("Vexlo", "Current event"); font: Theme.headline; color: Theme.primaryText }
            Item { Layout.fillWidth: true }
            IconButton { objectName: "newEventButton"; title: "New"; systemImage: "doc"; onClicked: root.startNew() }
            IconButton { objectName: "openEventButton"; title: "Open..."; systemImage: "folder"; onClicked: vm.chooseEventToOpen() }
            IconButton {
                objectName: "saveEventButton"; title: "Save"; systemImage: "square.and.arrow.down"
                enabled: vm.canSave; onClicked: vm.saveEvent()
            }
            Button {
                id: moreButton
                objectName: "moreButton"
                text: "…"
                Layout.preferredWidth: 28
                Accessible.name: qsTranslate("Vexlo", "More")
                // Right-aligned under its button: the button sits at the window's right edge.
                onClicked: moreMenu.popup(moreButton, moreButton.width - moreMenu.width, moreButton.height)
            }
        }

        EventDetailsSection { model: vm; Layout.fillWidth: true }

        Label {
            objectName: "fileError"
            visible: vm.fileError !== ""
            text: vm.fileError
            color: Theme.error
            font: Theme.body
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        Label {
            objectName: "savedMessage"
            visible: vm.savedMessage !== "" && vm.fileError === ""
            text: vm.savedMessage
            color: Theme.secondaryText
            font: Theme.body
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        Item { Layout.fillHeight: true }
    }

    // "Recent Events" is in the menu only while there are recent events: taken out, not greyed.
    Menu {
        id: moreMenu
        // Clear of the window's edges, the recent-events submenu as well.
        margins: 8
        property bool recentShown: false
        onAboutToShow: {
            const wanted = vm.recentFiles.length > 0
            if (wanted && !recentShown)
                insertMenu(2, recentMenu)
            else if (!wanted && recentShown)
                takeMenu(2)
            recentShown = wanted
        }
        MenuItem {
            objectName: "saveAsItem"
            text: qsTranslate("Vexlo", "Save As...")
            onTriggered: vm.chooseSaveAsFile()
        }
        MenuSeparator { visible: vm.recentFiles.length > 0; height: visible ? implicitHeight : 0 }
    }

    Menu {
        id: recentMenu
        margins: 8
        title: qsTranslate("Vexlo", "Recent Events")
        Instantiator {
            model: vm.recentFiles
            delegate: MenuItem {
                required property var modelData
                required property int index
                objectName: "recentItem" + index
                text: modelData.title
                onTriggered: vm.loadEvent(modelData.url)
            }
            onObjectAdded: (index, object) => recentMenu.insertItem(index, object)
            onObjectRemoved: (index, object) => recentMenu.removeItem(object)
        }
        MenuSeparator {}
        MenuItem {
            objectName: "clearRecentItem"
            text: qsTranslate("Vexlo", "Clear Recent Events")
            onTriggered: vm.clearRecentEvents()
        }
    }

    Dialog {
        id: confirmNew
        objectName: "confirmNewDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        title: qsTranslate("Vexlo", "Start a new event?")
        width: Math.min(420, root.width - 40)
        Label {
            width: parent.width
            wrapMode: Text.WordWrap
            focus: true
            Keys.onReturnPressed: confirmNew.accept()
            Keys.onEnterPressed: confirmNew.accept()
            text: qsTranslate("Vexlo", "The open event has changes that are not saved to its file. A new event replaces it.")
        }
        footer: DialogButtonBox {
            Button { text: qsTranslate("Vexlo", "Cancel"); DialogButtonBox.buttonRole: DialogButtonBox.RejectRole }
            Button {
                objectName: "confirmNewButton"
                text: qsTranslate("Vexlo", "New Event")
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            }
        }
        onAccepted: vm.newEvent()
    }
}
