import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Entries

// The Entries section: stage picker, class filter, search, sort, "Add entry", the "Tools" menu
// with the imports and "Delete all entries", and the list of entries. Everything shown comes from
// the EntriesScreen view-model.
Item {
    id: root
    objectName: "entriesView"
    property QtObject raceStore
    property bool showingDeleteAllConfirmation: false
    readonly property EntriesScreen screen: vm

    EntriesScreen {
        id: vm
        store: root.raceStore
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 12

        Label {
            text: qsTranslate("Vexlo", "Entries")
            font: Theme.headline
            color: Theme.primaryText
        }

        // The header wraps onto a second line in a narrow window instead of cutting texts.
        Flow {
            objectName: "entryListControls"
            Layout.fillWidth: true
            spacing: 8

            Row {
                visible: vm.showsStagePicker
                spacing: 6
                height: stagePicker.height
                Label {
                    anchors.verticalCenter: parent.verticalCenter
                    text: qsTranslate("Vexlo", "Stage")
                    font: Theme.body
                    color: Theme.primaryText
                }
                IdNamePicker {
                    id: stagePicker
                    objectName: "stagePicker"
                    Accessible.name: qsTranslate("Vexlo", "Stage")
                    width: 220
                    model: vm.stageOptions
                    selectedId: vm.shownStageId
                    onPicked: id => vm.selectStage(id)
                }
            }

            FilterMenuButton {
                id: classButton
                objectName: "classFilterButton"
                text: qsTranslate("Vexlo", "Class")
                onClicked: classMenu.popup(classButton, 0, classButton.height)
                FittingMenu {
                    id: classMenu
                    objectName: "classFilterMenu"
                    MenuItem {
                        objectName: "allClassesItem"
                        text: qsTranslate("Vexlo", "All classes")
                        icon.source: vm.filterClassId === "" ? "qrc:/Vexlo/Ui/icons/checkmark.svg" : ""
                        onTriggered: vm.filterClassId = ""
                    }
                    Instantiator {
                        model: vm.classOptions
                        delegate: MenuItem {
                            required property var modelData
                            objectName: "classItem_" + modelData.text
                            text: modelData.text
                            icon.source: vm.filterClassId === modelData.value
                                ? "qrc:/Vexlo/Ui/icons/checkmark.svg" : ""
                            onTriggered: vm.filterClassId = modelData.value
                        }
                        onObjectAdded: (index, object) => classMenu.insertItem(index + 1, object)
                        onObjectRemoved: (index, object) => classMenu.removeItem(object)
                    }
                }
            }

            Rectangle {
                objectName: "searchBox"
                width: 200
                height: searchRow.implicitHeight + 8
                radius: 6
                color: Qt.rgba(0.5, 0.5, 0.5, 0.12)
                RowLayout {
                    id: searchRow
                    anchors.fill: parent
                    anchors.leftMargin: 6
                    anchors.rightMargin: 6
                    spacing: 4
                    SymbolIcon {
                        name: "magnifyingglass"
                        color: Theme.secondaryText
                        Layout.preferredWidth: 14
                        Layout.preferredHeight: 14
                    }
                    TextField {
                        id: searchField
                        objectName: "searchField"
                        Layout.fillWidth: true
                        placeholderText: qsTranslate("Vexlo", "Search name or card")
                        Accessible.name: placeholderText
                        background: null
                        font: Theme.body
                        text: vm.searchText
                        onTextEdited: vm.searchText = text
                    }
                    ToolButton {
                        objectName: "clearSearchButton"
                        visible: vm.searchText !== ""
                        Accessible.name: qsTranslate("Vexlo", "Clear search")
                        padding: 0
                        contentItem: CloseButtonIcon {}
                        onClicked: vm.searchText = ""
                    }
                }
            }

            ToolButton {
                id: sortButton
                objectName: "sortButton"
                width: 32
                Accessible.name: vm.sortHelp
                contentItem: SymbolIcon {
                    name: "arrow.up.arrow.down.circle"
                    color: Theme.primaryText
                    implicitWidth: 16
                    implicitHeight: 16
                }
                ToolTip.visible: hovered
                ToolTip.text: vm.sortHelp
                onClicked: sortMenu.popup(sortButton, 0, sortButton.height)
                FittingMenu {
                    id: sortMenu
                    objectName: "sortMenu"
                    Instantiator {
                        model: vm.sortFieldTitles
                        delegate: MenuItem {
                            required property int index
                            required property string modelData
                            objectName: "sortItem_" + index
                            text: qsTranslate("Vexlo", modelData)
                            icon.source: vm.sortField === index ? "qrc:/Vexlo/Ui/icons/checkmark.svg" : ""
                            onTriggered: vm.sortField = index
                        }
                        onObjectAdded: (index, object) => sortMenu.insertItem(index, object)
                        onObjectRemoved: (index, object) => sortMenu.removeItem(object)
                    }
                    MenuSeparator {}
                    MenuItem {
                        objectName: "sortDirectionItem"
                        text: vm.sortAscending ? qsTranslate("Vexlo", "Ascending") : qsTranslate("Vexlo", "Descending")
                        icon.source: vm.sortAscending ? "qrc:/Vexlo/Ui/icons/arrow-up.svg"
                                                      : "qrc:/Vexlo/Ui/icons/arrow-down.svg"
                        onTriggered: vm.toggleSortDirection()
                    }
                }
            }

            Label {
                objectName: "entryCount"
                height: sortButton.height
                verticalAlignment: Text.AlignVCenter
                rightPadding: 8
                text: vm.countText
                font: Theme.caption
                color: Theme.secondaryText
            }

            Row {
                objectName: "importProgress"
                visible: vm.isImportingFromURL
                spacing: 6
                height: sortButton.height
                BusyIndicator {
                    anchors.verticalCenter: parent.verticalCenter
                    running: vm.isImportingFromURL
                    width: 18
                    height: 18
                }
                Label {
                    anchors.verticalCenter: parent.verticalCenter
                    text: qsTranslate("Vexlo", "Importing from O-tilmeldinger...")
                    font: Theme.caption
                    color: Theme.secondaryText
                }
            }

            IconButton {
                objectName: "addEntryButton"
                title: "Add entry"
                systemImage: "plus"
                onClicked: vm.addEntry()
            }

            ToolButton {
                id: toolsButton
                objectName: "toolsButton"
                contentItem: ToolsMenuLabel {}
                // Right-aligned under its button: the button sits at the window's right edge.
                onClicked: toolsMenu.popup(toolsButton, toolsButton.width - toolsMenu.width, toolsButton.height)
                FittingMenu {
                    id: toolsMenu
                    objectName: "entryToolsMenu"
                    MenuItem {
                        objectName: "importFileItem"
                        text: qsTranslate("Vexlo", "Import from file")
                        icon.source: "qrc:/Vexlo/Ui/icons/download.svg"
                        onTriggered: vm.chooseImportFile()
                    }
                    MenuItem {
                        objectName: "importURLItem"
                        text: qsTranslate("Vexlo", "Import from URL")
                        icon.source: "qrc:/Vexlo/Ui/icons/globe.svg"
                        enabled: vm.canImportFromURL
                        onTriggered: vm.importFromURL()
                    }
                    MenuItem {
                        objectName: "editURLItem"
                        text: qsTranslate("Vexlo", "Edit import URL")
                        icon.source: "qrc:/Vexlo/Ui/icons/chain.svg"
                        onTriggered: vm.toggleImportURLField()
                    }
                    MenuSeparator {}
                    MenuItem {
                        objectName: "deleteAllEntriesItem"
                        text: qsTranslate("Vexlo", "Delete all entries")
                        icon.source: "qrc:/Vexlo/Ui/icons/trash-2.svg"
                        icon.color: Theme.error
                        enabled: vm.canDeleteAll
                        onTriggered: root.showingDeleteAllConfirmation = true
                    }
                }
            }
        }

        TextField {
            objectName: "importURLField"
            visible: vm.showImportURLField
            Layout.preferredWidth: 320
            Layout.maximumWidth: root.width - 32
            placeholderText: qsTranslate("Vexlo", "Registration XML URL")
            Accessible.name: placeholderText
            text: vm.importURLString
            onTextEdited: vm.importURLString = text
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Theme.divider
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            BusyIndicator {
                id: loading
                objectName: "loadingIndicator"
                // Only while nothing is shown yet: a keystroke's rebuild must not blank the list.
                visible: vm.isLoading && vm.rows.count === 0
                running: visible
                anchors.centerIn: parent
                anchors.verticalCenterOffset: -12
            }
            Label {
                visible: loading.visible
                anchors.top: loading.bottom
                anchors.horizontalCenter: parent.horizontalCenter
                text: qsTranslate("Vexlo", "Loading participants…")
                font: Theme.body
                color: Theme.secondaryText
            }

            ListView {
                id: list
                objectName: "entryList"
                KeepsEndInView { view: list }
                anchors.fill: parent
                visible: !loading.visible
                clip: true
                // Rows scrolled out are handed to the rows scrolled in: 5,000 entries scroll
                // without building a delegate per row.
                reuseItems: true
                model: vm.rows
                boundsBehavior: Flickable.StopAtBounds
                ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }
                delegate: EntryRow {
                    width: list.width
                    screen: vm
                }
            }
        }
        // What an import did or why it failed, under the list: a line coming or going moves no
        // row under the pointer.
        Label {
            objectName: "importError"
            visible: vm.importError !== ""
            text: vm.importError
            color: Theme.error
            font: Theme.body
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        Label {
            objectName: "importReport"
            visible: vm.importReport !== ""
            text: vm.importReport
            color: Theme.secondaryText
            font: Theme.body
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
    }

    Loader {
        active: vm.editor !== null
        sourceComponent: ParticipantEditView { model: vm.editor }
    }

    // An import into an event with stages names the stage it goes into before anything changes.
    // The keyboard starts on the stage picker; Tab goes on to "Import" and "Cancel", Return imports
    // (or cancels from "Cancel") and Escape cancels.
    Dialog {
        id: importStageDialog
        objectName: "importStageDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        focus: true
        visible: vm.importConfirmationOpen
        width: Math.min(480, root.width)
        title: qsTranslate("Vexlo", "Import entries")
        onOpened: importStagePicker.forceActiveFocus(Qt.TabFocusReason)
        onRejected: vm.cancelImport()
        onClosed: if (vm.importConfirmationOpen) vm.cancelImport()
        contentItem: ColumnLayout {
            spacing: 8
            Label {
                objectName: "importStageText"
                text: vm.importConfirmationText
                wrapMode: Text.WordWrap
                font: Theme.body
                Layout.fillWidth: true
            }
            IdNamePicker {
                id: importStagePicker
                objectName: "importStagePicker"
                Accessible.name: qsTranslate("Vexlo", "Stage")
                Layout.preferredWidth: 240
                model: vm.stageOptions
                selectedId: vm.shownStageId
                onPicked: id => vm.selectStage(id)
                // Return imports; in the open list it picks a stage.
                Keys.onReturnPressed: event => { if (popup.visible) event.accepted = false; else vm.confirmImport() }
                Keys.onEnterPressed: event => { if (popup.visible) event.accepted = false; else vm.confirmImport() }
                KeyNavigation.tab: confirmImportButton
                KeyNavigation.backtab: cancelImportButton
            }
        }
        footer: DialogButtonBox {
            Button {
                id: cancelImportButton
                objectName: "cancelImportButton"
                text: qsTranslate("Vexlo", "Cancel")
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
                KeyNavigation.tab: importStagePicker
                KeyNavigation.backtab: confirmImportButton
                Keys.onReturnPressed: importStageDialog.reject()
                Keys.onEnterPressed: importStageDialog.reject()
            }
            Button {
                id: confirmImportButton
                objectName: "confirmImportButton"
                text: qsTranslate("Vexlo", "Import")
                enabled: vm.canConfirmImport
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
                onClicked: vm.confirmImport()
                KeyNavigation.tab: cancelImportButton
                KeyNavigation.backtab: importStagePicker
                Keys.onReturnPressed: vm.confirmImport()
                Keys.onEnterPressed: vm.confirmImport()
            }
        }
    }

    Dialog {
        objectName: "deleteAllEntriesDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        visible: root.showingDeleteAllConfirmation
        width: Math.min(440, root.width)
        title: qsTranslate("Vexlo", "Delete all entries?")
        onClosed: root.showingDeleteAllConfirmation = false
        contentItem: Label {
            text: qsTranslate("Vexlo", "This removes every participant from the entry list. Courses, classes, and recorded results are not affected. This cannot be undone.")
            wrapMode: Text.WordWrap
            font: Theme.body
        }
        footer: DialogButtonBox {
            Button {
                objectName: "cancelDeleteAllButton"
                text: qsTranslate("Vexlo", "Cancel")
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
            Button {
                objectName: "confirmDeleteAllButton"
                text: qsTranslate("Vexlo", "Delete All")
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                onClicked: {
                    vm.deleteAllEntries()
                    root.showingDeleteAllConfirmation = false
                }
            }
        }
    }
}
