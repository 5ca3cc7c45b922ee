import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// The header row of the start list: stage picker, class filter, search, count, view, exports and
// the Tools menu. Every control only sets a field of the view-model or opens a dialog. In a narrow
// window the view picker, exports and Tools move to a second row, so that nothing is cut off.
GridLayout {
    id: root
    readonly property bool wide: width >= 1080
    columns: wide ? 9 : 5
    rowSpacing: 8
    columnSpacing: 8
    required property QtObject model
    required property QtObject generation
    signal openExport(string kind)
    signal openImport()
    signal openClassCount()
    signal openPreferences()
    signal openClear()

    // Always in the grid, so the cells keep their places; empty when the event has no stages.
    Item {
        implicitWidth: stagePicker.visible ? 220 : 0
        implicitHeight: stagePicker.implicitHeight
        ComboBox {
            id: stagePicker
            objectName: "stagePicker"
            visible: root.model.stages.length > 0
            width: 220
            Accessible.name: qsTranslate("Vexlo", "Stage")
            model: root.model.stages
            textRole: "name"
            valueRole: "id"
            currentIndex: count >= 0 ? indexOfValue(root.model.shownStageId) : -1
            onActivated: index => root.model.shownStageId = valueAt(index)
        }
    }

    FilterMenuButton {
        id: classButton
        objectName: "classFilterButton"
        text: qsTranslate("Vexlo", "Class")
        font: Theme.body
        onClicked: classMenu.popup(classButton, 0, classButton.height)
        FittingMenu {
            id: classMenu
            objectName: "classFilterMenu"
            Instantiator {
                model: root.model.classMenu
                delegate: MenuItem {
                    required property var modelData
                    objectName: "classFilter_" + (modelData.id === "" ? "all" : modelData.name)
                    text: modelData.name
                    icon.source: modelData.checked ? "qrc:/Vexlo/Ui/icons/checkmark.svg" : ""
                    onTriggered: root.model.filterClassId = modelData.id
                }
                onObjectAdded: (index, object) => classMenu.insertItem(index, object)
                onObjectRemoved: (index, object) => classMenu.removeItem(object)
            }
        }
    }

    Rectangle {
        Layout.preferredWidth: 240
        Layout.preferredHeight: searchField.implicitHeight + 8
        radius: 6
        color: Qt.rgba(0.5, 0.5, 0.5, 0.12)
        RowLayout {
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
                background: null
                padding: 2
                font: Theme.body
                placeholderText: qsTranslate("Vexlo", "Search name, card or club")
                text: root.model.searchText
                onTextEdited: root.model.searchText = text
            }
            ToolButton {
                objectName: "clearSearchButton"
                visible: root.model.searchText !== ""
                Layout.preferredWidth: 20
                Layout.preferredHeight: 20
                padding: 0
                background: null
                contentItem: CloseButtonIcon {}
                Accessible.name: qsTranslate("Vexlo", "Clear")
                onClicked: root.model.searchText = ""
            }
        }
    }

    Label {
        objectName: "participantCount"
        leftPadding: 4
        font: Theme.caption
        color: Theme.secondaryText
        text: root.model.participantCountText
    }

    Item { Layout.fillWidth: true }

    TabBar {
        objectName: "displayModePicker"
        Layout.preferredWidth: 200
        currentIndex: root.model.displayMode
        SegmentButton {
            objectName: "listModeButton"
            text: qsTranslate("Vexlo", "List")
            onClicked: root.model.displayMode = 0
        }
        SegmentButton {
            objectName: "gridModeButton"
            text: qsTranslate("Vexlo", "Grid")
            onClicked: root.model.displayMode = 1
        }
    }

    IconButton {
        objectName: "xmlExportButton"
        Layout.leftMargin: 12
        title: "XML"
        systemImage: "square.and.arrow.up"
        onClicked: root.openExport("xml")
    }

    ToolButton {
        id: pdfButton
        objectName: "pdfMenuButton"
        contentItem: IconTitleLabel { title: "PDF"; systemImage: "square.and.arrow.up" }
        onClicked: pdfMenu.popup(pdfButton, 0, pdfButton.height)
        FittingMenu {
            id: pdfMenu
            // Kept inside the window, however far right its button sits.
            margins: 4
            MenuItem {
                objectName: "pdfTimeslotItem"
                text: qsTranslate("Vexlo", "By timeslot")
                icon.source: "qrc:/Vexlo/Ui/icons/clock.svg"
                ToolTip.visible: hovered
                ToolTip.text: root.model.timeslotPdfHelp
                onTriggered: root.openExport("timeslot")
            }
            MenuItem {
                objectName: "pdfByClassItem"
                text: qsTranslate("Vexlo", "By class")
                icon.source: "qrc:/Vexlo/Ui/icons/tag.svg"
                ToolTip.visible: hovered
                ToolTip.text: qsTranslate("Vexlo", "Export as A4 portrait PDF, one section per class")
                onTriggered: root.openExport("byClass")
            }
            MenuItem {
                objectName: "pdfStartPunchItem"
                text: qsTranslate("Vexlo", "Start punch classes")
                icon.source: "qrc:/Vexlo/Ui/icons/clock-badge.svg"
                ToolTip.visible: hovered
                ToolTip.text: qsTranslate("Vexlo", "Export runners in classes using the card's own start punch (no scheduled time)")
                onTriggered: root.openExport("startPunch")
            }
        }
    }

    ToolButton {
        id: toolsButton
        objectName: "toolsButton"
        contentItem: ToolsMenuLabel {}
        // Right-aligned under its button: the button sits at the window's right edge.
        onClicked: toolsMenu.popup(toolsButton, toolsButton.width - toolsMenu.width, toolsButton.height)
        FittingMenu {
            id: toolsMenu
            // Kept inside the window, however far right its button sits.
            margins: 4
            objectName: "toolsMenu"
            MenuItem {
                objectName: "classCountItem"
                text: qsTranslate("Vexlo", "Count runners per class")
                icon.source: "qrc:/Vexlo/Ui/icons/clipboard-list.svg"
                onTriggered: root.openClassCount()
            }
            MenuItem {
                objectName: "fixedIntervalItem"
                text: qsTranslate("Vexlo", "Fixed interval startlist")
                icon.source: "qrc:/Vexlo/Ui/icons/clock.svg"
                onTriggered: root.model.fixedInterval.open()
            }
            MenuItem {
                objectName: "ruleBasedItem"
                text: qsTranslate("Vexlo", "Rule based startlist")
                icon.source: "qrc:/Vexlo/Ui/icons/wand.svg"
                onTriggered: root.generation.open()
            }
            MenuItem {
                objectName: "preferencesItem"
                text: qsTranslate("Vexlo", "List start time preferences")
                icon.source: "qrc:/Vexlo/Ui/icons/clock-badge.svg"
                onTriggered: root.openPreferences()
            }
            MenuSeparator {}
            MenuItem {
                objectName: "importItem"
                text: qsTranslate("Vexlo", "Import start list (IOF XML)...")
                icon.source: "qrc:/Vexlo/Ui/icons/download.svg"
                onTriggered: root.openImport()
            }
            MenuSeparator {}
            MenuItem {
                objectName: "clearItem"
                text: root.model.clearTitle
                icon.source: "qrc:/Vexlo/Ui/icons/trash-2.svg"
                icon.color: Theme.error
                onTriggered: root.openClear()
            }
        }
    }
}
