import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.RaceDay

// The Results section: class filter, exports, check-in pull, stage chips, the grouped list and
// the prompts and sheet its rows open. Everything shown comes from the ResultsScreen view-model.
Item {
    id: root
    objectName: "resultsView"
    property QtObject raceStore
    property QtObject raceDay
    // The row whose actions menu is open.
    property string menuResultId: ""
    property bool menuCanClear: false

    ResultsScreen {
        id: vm
        store: root.raceStore
        desk: root.raceDay
    }

    function toneColor(tone) {
        return tone === "" ? Theme.primaryText : Theme.tint(tone, 1.0)
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 8

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            Label {
                text: qsTranslate("Vexlo", "Results")
                font: Theme.headline
                color: Theme.primaryText
            }
            Item { Layout.fillWidth: true }
            FilterMenuButton {
                id: classButton
                objectName: "classFilterButton"
                Layout.maximumWidth: 160
                systemImage: "line.3.horizontal.decrease.circle"
                labelName: "classFilterLabel"
                text: vm.classFilterLabel
                onClicked: classMenu.popup(classButton, 0, classButton.height)
                FittingMenu {
                    id: classMenu
                    Instantiator {
                        model: vm.classOptions
                        delegate: MenuItem {
                            required property var modelData
                            objectName: "classOption_" + modelData.name
                            text: modelData.name
                            checkable: true
                            checked: modelData.checked
                            // Closed first: the choice makes the items anew, and a menu whose
                            // item went while a key chose it would stay open.
                            onTriggered: {
                                classMenu.close()
                                vm.selectClass(modelData.id)
                            }
                        }
                        onObjectAdded: (index, object) => classMenu.insertItem(index, object)
                        onObjectRemoved: (index, object) => classMenu.removeItem(object)
                    }
                }
            }
            ToolButton {
                id: exportButton
                objectName: "exportButton"
                contentItem: IconTitleLabel { title: "Export"; systemImage: "square.and.arrow.up" }
                onClicked: exportMenu.popup(exportButton, 0, exportButton.height)
                FittingMenu {
                    id: exportMenu
                    Repeater {
                        model: vm.exportItems
                        MenuItem {
                            required property var modelData
                            objectName: modelData.name
                            text: modelData.title
                            icon.source: "qrc:/Vexlo/Ui/icons/file.svg"
                            enabled: modelData.enabled
                            onTriggered: vm.chooseExportFile(modelData.kind)
                        }
                    }
                }
            }
            ToolButton {
                id: toolsButton
                objectName: "resultsToolsButton"
                contentItem: ToolsMenuLabel {}
                // Right-aligned under its button: the button sits at the window's right edge.
                onClicked: toolsMenu.popup(toolsButton, toolsButton.width - toolsMenu.width, toolsButton.height)
                FittingMenu {
                    id: toolsMenu
                    MenuItem {
                        objectName: "pullCheckinsItem"
                        text: qsTranslate("Vexlo", "Pull check-ins")
                        icon.source: "qrc:/Vexlo/Ui/icons/download.svg"
                        enabled: vm.canPullCheckins
                        onTriggered: vm.pullCheckins()
                        hoverEnabled: true
                        ToolTip.visible: hovered
                        ToolTip.text: vm.pullHelp
                    }
                }
            }
        }

        Flow {
            id: chipRow
            objectName: "stageChips"
            visible: vm.stageChips.length > 0
            spacing: 4
            Layout.fillWidth: true
            // As along a segmented picker: an arrow takes the keyboard to the next chip without
            // choosing it; Space, Return and Enter choose the chip the keyboard is on.
            function focusChip(index) {
                const chip = chips.itemAt(index)
                if (chip)
                    chip.forceActiveFocus(Qt.TabFocusReason)
            }
            // The chips are made anew when one is chosen: the keyboard that chose stays on it.
            function choose(id, keepFocus) {
                vm.selectStage(id)
                if (!keepFocus)
                    return
                for (let i = 0; i < chips.count; ++i) {
                    if (chips.itemAt(i).modelData.id === id)
                        return focusChip(i)
                }
            }
            Repeater {
                id: chips
                model: vm.stageChips
                AbstractButton {
                    required property var modelData
                    required property int index
                    objectName: "stageChip_" + modelData.id
                    focusPolicy: Qt.StrongFocus
                    Keys.onReturnPressed: clicked()
                    Keys.onEnterPressed: clicked()
                    Keys.onLeftPressed: chipRow.focusChip(index - 1)
                    Keys.onRightPressed: chipRow.focusChip(index + 1)
                    padding: 0
                    contentItem: Label {
                        text: modelData.name
                        font: Theme.body
                        leftPadding: 10
                        rightPadding: 10
                        topPadding: 6
                        bottomPadding: 6
                    }
                    background: Rectangle {
                        radius: 6
                        color: modelData.selected ? Theme.tint("blue", 0.18) : "transparent"
                        border.color: parent.visualFocus ? Theme.tint("blue", 1.0) : "transparent"
                    }
                    onClicked: chipRow.choose(modelData.id, activeFocus)
                    PointingHandOnHover {}
                }
            }
        }

        ListView {
            id: list
            objectName: "resultsList"
            KeepsEndInView { view: list }
            model: vm.lines
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            reuseItems: true
            Layout.fillWidth: true
            Layout.fillHeight: true
            ScrollBar.vertical: ScrollBar {}

            delegate: Loader {
                id: line
                required property int index
                required property string kind
                required property bool stripe
                required property string resultId
                required property var texts
                width: ListView.view.width
                sourceComponent: kind === "header" ? headerLine
                               : kind === "overall" || kind === "marked" ? overallLine : resultLine
            }
        }

        Repeater {
            // Problems the organiser must see: a failed export, a receipt that did not print, and
            // why corrections are off on a slave. Under the list, so that a line coming or going
            // moves no row under the pointer.
            model: [
                { name: "exportErrorText", text: vm.exportError, tone: "red" },
                { name: "exportSavedText", text: vm.exportSavedMessage, tone: "gray" },
                { name: "printProblemText", text: vm.printProblem, tone: "red" },
                { name: "correctionNotice", text: vm.correctionNotice, tone: "orange" }
            ]
            Label {
                required property var modelData
                objectName: modelData.name
                visible: modelData.text !== ""
                text: modelData.text
                font: Theme.caption
                color: Theme.tint(modelData.tone, 1.0)
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
        }
    }

    Component {
        id: headerLine
        ColumnLayout {
            spacing: 2
            Label {
                text: parent.parent.texts.title
                font: Theme.headline
                color: Theme.primaryText
                leftPadding: 8
                topPadding: parent.parent.index === 0 ? 0 : 16
            }
            Rectangle { Layout.fillWidth: true; Layout.preferredHeight: 1; color: Theme.divider }
        }
    }

    Component {
        id: resultLine
        Rectangle {
            id: rowItem
            readonly property var texts: parent.texts
            readonly property string resultId: parent.resultId
            objectName: "resultRow_" + texts.name
            color: parent.stripe ? Qt.rgba(0.5, 0.5, 0.5, 0.12) : "transparent"
            implicitHeight: 34
            MouseArea {
                anchors.fill: parent
                anchors.rightMargin: 36
                onClicked: vm.showDetail(rowItem.resultId)
                PointingHandOnHover {}
            }
            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: 8
                spacing: 8
                Label {
                    text: rowItem.texts.place
                    font: Theme.headline
                    color: Theme.secondaryText
                    Layout.preferredWidth: 28
                }
                Label {
                    text: rowItem.texts.name
                    font: Theme.body
                    color: Theme.primaryText
                }
                Label {
                    objectName: "earlierReadMark"
                    visible: text !== ""
                    text: rowItem.texts.earlierRead
                    font: Theme.caption
                    color: Theme.tint("orange", 1.0)
                }
                Label {
                    objectName: "resultDetail"
                    text: rowItem.texts.detail
                    font: Theme.caption
                    color: Theme.secondaryText
                    elide: Text.ElideRight
                    Layout.fillWidth: true
                }
                SymbolIcon {
                    objectName: "reviewMark"
                    visible: rowItem.texts.reviewNote !== ""
                    name: "exclamationmark.triangle.fill"
                    color: Theme.tint("orange", 1.0)
                    Layout.preferredWidth: 14
                    Layout.preferredHeight: 14
                    HoverHandler { id: reviewHover }
                    ToolTip.visible: reviewHover.hovered
                    ToolTip.text: rowItem.texts.reviewNote
                }
                ColumnLayout {
                    visible: rowItem.texts.scoreCourse
                    spacing: 1
                    Label {
                        Layout.alignment: Qt.AlignRight
                        text: rowItem.texts.points
                        font.pixelSize: Theme.body.pixelSize
                        font.bold: rowItem.texts.pointsTone === ""
                        color: root.toneColor(rowItem.texts.pointsTone)
                    }
                    Label {
                        Layout.alignment: Qt.AlignRight
                        visible: rowItem.texts.overtime !== ""
                        text: rowItem.texts.overtime
                        font: Theme.caption
                        color: Theme.tint("red", 1.0)
                    }
                }
                Label {
                    visible: rowItem.texts.scoreCourse && rowItem.texts.verdict !== ""
                    text: rowItem.texts.verdict
                    font.pixelSize: Theme.caption.pixelSize
                    font.bold: true
                    color: root.toneColor(rowItem.texts.verdictTone)
                }
                Label {
                    visible: !rowItem.texts.scoreCourse && rowItem.texts.behind !== ""
                    text: rowItem.texts.behind
                    font: Theme.caption
                    color: Theme.secondaryText
                }
                Label {
                    objectName: "resultTime"
                    visible: !rowItem.texts.scoreCourse
                    text: rowItem.texts.time
                    font.pixelSize: Theme.body.pixelSize
                    font.bold: rowItem.texts.timeTone === ""
                    color: root.toneColor(rowItem.texts.timeTone)
                }
                RowLayout {
                    visible: !rowItem.texts.scoreCourse && rowItem.texts.showsBadge
                    spacing: 3
                    Label {
                        objectName: "resultBadge"
                        text: rowItem.texts.badge
                        font.pixelSize: Theme.caption.pixelSize
                        font.bold: true
                        color: root.toneColor(rowItem.texts.badgeTone)
                    }
                    SymbolIcon {
                        objectName: "overrideMark"
                        visible: rowItem.texts.overridden
                        name: "pencil"
                        color: Theme.tint("orange", 1.0)
                        Layout.preferredWidth: 12
                        Layout.preferredHeight: 12
                        HoverHandler { id: overrideHover }
                        ToolTip.visible: overrideHover.hovered && rowItem.texts.overrideTooltip !== ""
                        ToolTip.text: rowItem.texts.overrideTooltip
                    }
                }
                ToolButton {
                    id: actionsButton
                    objectName: "rowActionsButton"
                    text: "…"
                    font: Theme.title2
                    Accessible.name: qsTranslate("Vexlo", "Actions")
                    Layout.preferredWidth: 36
                    onClicked: {
                        root.menuResultId = rowItem.resultId
                        root.menuCanClear = rowItem.texts.canClearOverride
                        rowMenu.popup(actionsButton, 0, actionsButton.height)
                    }
                }
            }
        }
    }

    Component {
        id: overallLine
        Rectangle {
            readonly property var texts: parent.texts
            color: parent.stripe ? Qt.rgba(0.5, 0.5, 0.5, 0.12) : "transparent"
            implicitHeight: 30
            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: 8
                anchors.rightMargin: 8
                spacing: 8
                Label {
                    text: parent.parent.texts.place
                    font: Theme.headline
                    color: Theme.secondaryText
                    Layout.preferredWidth: 28
                }
                Label {
                    text: parent.parent.texts.name
                    font: Theme.body
                    color: Theme.primaryText
                    elide: Text.ElideRight
                    Layout.fillWidth: true
                }
                Label {
                    objectName: "overallPoints"
                    visible: text !== ""
                    text: parent.parent.texts.points
                    font.pixelSize: Theme.body.pixelSize
                    font.bold: !!parent.parent.texts.allStages
                    color: parent.parent.texts.allStages ? Theme.primaryText : Theme.tint("orange", 1.0)
                }
                Label {
                    text: parent.parent.texts.total
                    font.pixelSize: Theme.body.pixelSize
                    font.bold: !parent.parent.texts.totalMissing
                    color: parent.parent.texts.totalMissing ? Theme.tint("orange", 1.0) : Theme.primaryText
                }
                Label {
                    objectName: "overallStages"
                    text: parent.parent.texts.stagesText
                    font.pixelSize: Theme.caption.pixelSize
                    font.bold: true
                    color: Theme.tint(parent.parent.texts.allStages ? "green" : "red", 1.0)
                }
            }
        }
    }

    FittingMenu {
        id: rowMenu
        objectName: "rowMenu"
        MenuItem {
            objectName: "showSplitsItem"
            text: qsTranslate("Vexlo", "Show split times")
            onTriggered: vm.showDetail(root.menuResultId)
        }
        MenuItem {
            objectName: "printReceiptItem"
            text: qsTranslate("Vexlo", "Print receipt")
            icon.source: "qrc:/Vexlo/Ui/icons/printer.svg"
            onTriggered: vm.printReceipt(root.menuResultId)
        }
        MenuSeparator {}
        Menu {
            id: courseMenu
            objectName: "changeCourseMenu"
            title: qsTranslate("Vexlo", "Change course")
            enabled: vm.canCorrect
            Instantiator {
                model: rowMenu.visible ? vm.courseChoices() : []
                delegate: MenuItem {
                    required property var modelData
                    objectName: "courseChoice_" + modelData.name
                    text: modelData.name
                    onTriggered: vm.changeCourse(root.menuResultId, modelData.id)
                }
                onObjectAdded: (index, object) => courseMenu.insertItem(index, object)
                onObjectRemoved: (index, object) => courseMenu.removeItem(object)
            }
        }
        MenuSeparator {}
        MenuItem {
            objectName: "forceCompletedItem"
            text: qsTranslate("Vexlo", "Force completed")
            icon.source: "qrc:/Vexlo/Ui/icons/circle-check.svg"
            enabled: vm.canCorrect
            onTriggered: vm.beginOverride(root.menuResultId, true)
        }
        MenuItem {
            objectName: "forceIncompleteItem"
            text: qsTranslate("Vexlo", "Force incomplete")
            icon.source: "qrc:/Vexlo/Ui/icons/circle-x.svg"
            enabled: vm.canCorrect
            onTriggered: vm.beginOverride(root.menuResultId, false)
        }
        MenuItem {
            objectName: "clearOverrideItem"
            text: qsTranslate("Vexlo", "Clear override (use automatic)")
            visible: root.menuCanClear
            height: visible ? implicitHeight : 0
            enabled: vm.canCorrect
            onTriggered: vm.clearOverride(root.menuResultId)
        }
        MenuSeparator {}
        MenuItem {
            objectName: "deleteResultItem"
            text: qsTranslate("Vexlo", "Delete entry")
            icon.source: "qrc:/Vexlo/Ui/icons/trash-2.svg"
            icon.color: Theme.error
            enabled: vm.canCorrect
            onTriggered: vm.requestDeletion(root.menuResultId)
        }
    }

    Dialog {
        id: overrideDialog
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        title: vm.corrections ? vm.corrections.overrideTitle : ""
        width: Math.min(460, root.width - 40)
        onOpened: reasonField.forceActiveFocus()
        ColumnLayout {
            objectName: "overrideDialog"
            width: parent.width
            spacing: 8
            Label {
                text: qsTranslate("Vexlo", "This overrides the automatically computed status regardless of missing punches. Provide a brief reason for the audit trail.")
                wrapMode: Text.WordWrap
                font: Theme.body
                Layout.fillWidth: true
            }
            TextField {
                id: reasonField
                objectName: "overrideReasonField"
                placeholderText: qsTranslate("Vexlo", "Reason (e.g. control malfunction)")
                text: vm.corrections ? vm.corrections.overrideNoteText : ""
                onTextEdited: vm.corrections.overrideNoteText = text
                onAccepted: overrideDialog.accept()
                Layout.fillWidth: true
            }
        }
        footer: DialogButtonBox {
            Button { text: qsTranslate("Vexlo", "Cancel"); DialogButtonBox.buttonRole: DialogButtonBox.RejectRole }
            Button {
                objectName: "overrideSaveButton"
                text: qsTranslate("Vexlo", "Save")
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            }
        }
        onAccepted: vm.corrections.confirmOverride()
        onClosed: if (vm.corrections.overridePending) vm.corrections.cancelOverride()
    }

    Dialog {
        id: deleteDialog
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        title: qsTranslate("Vexlo", "Delete entry?")
        width: Math.min(460, root.width - 40)
        Label {
            objectName: "deleteResultDialog"
            width: parent.width
            text: qsTranslate("Vexlo", "This removes this card-read result permanently. The participant record itself is not affected.")
            wrapMode: Text.WordWrap
            font: Theme.body
        }
        footer: DialogButtonBox {
            Button { text: qsTranslate("Vexlo", "Cancel"); DialogButtonBox.buttonRole: DialogButtonBox.RejectRole }
            Button {
                objectName: "deleteConfirmButton"
                text: qsTranslate("Vexlo", "Delete")
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                onClicked: deleteDialog.accept()
            }
        }
        onAccepted: vm.corrections.confirmDeletion()
        onClosed: if (vm.corrections.deletionPending) vm.corrections.cancelDeletion()
    }

    Connections {
        target: vm.corrections
        function onOverrideChanged() {
            if (vm.corrections.overridePending && !overrideDialog.visible)
                overrideDialog.open()
        }
        function onDeletionChanged() {
            if (vm.corrections.deletionPending && !deleteDialog.visible)
                deleteDialog.open()
        }
    }

    SplitTimesSheet {
        objectName: "splitTimesSheet"
        visible: vm.detailOpen
        detail: vm.detail
        onCloseRequested: vm.closeDetail()
    }
}
