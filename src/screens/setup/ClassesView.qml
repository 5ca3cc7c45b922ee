import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Setup

// The Classes section: stage picker, "Add Class", the "Tools" menu and the class table with its
// sheets. Everything shown comes from the ClassesScreen view-model.
Item {
    id: root
    objectName: "classesView"
    property QtObject raceStore
    property bool showingDeleteAllConfirmation: false

    ClassesScreen {
        id: vm
        store: root.raceStore
    }

    // Column widths shared by the header and the rows.
    readonly property int nameWidth: 160
    readonly property int modeWidth: 128
    readonly property int startWidth: 128
    readonly property int courseWidth: 140

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            Label {
                visible: vm.showsStagePicker
                text: qsTranslate("Vexlo", "Stage")
                font: Theme.body
                color: Theme.primaryText
            }
            IdNamePicker {
                objectName: "stagePicker"
                visible: vm.showsStagePicker
                Accessible.name: qsTranslate("Vexlo", "Stage")
                model: vm.stageOptions
                selectedId: vm.shownStageId
                currentIndex: count >= 0 ? indexOfValue(vm.shownStageId) : -1
                Layout.preferredWidth: 160
                onPicked: id => vm.selectStage(id)
            }
            Label {
                text: qsTranslate("Vexlo", "Classes")
                font: Theme.headline
                color: Theme.primaryText
            }
            Item { Layout.fillWidth: true }
            IconButton {
                objectName: "addClassButton"
                title: "Add Class"
                systemImage: "plus"
                onClicked: vm.addClass()
            }
            ToolButton {
                id: toolsButton
                objectName: "toolsButton"
                contentItem: ToolsMenuLabel {}
                // Right-aligned under its button: the button sits at the window's right edge.
                onClicked: toolsMenu.popup(toolsButton, toolsButton.width - toolsMenu.width, toolsButton.height)
                Menu {
                    id: toolsMenu
                    // Clear of the window's edges, however far right its button sits.
                    margins: 8
                    // As wide as the longest item, so no text is cut short in either language.
                    width: {
                        let widest = 0
                        for (let i = 0; i < count; ++i)
                            widest = Math.max(widest, itemAt(i).implicitWidth)
                        return widest + leftPadding + rightPadding
                    }
                    MenuItem {
                        objectName: "generateClassesItem"
                        text: qsTranslate("Vexlo", "Generate classes from courses")
                        icon.source: "qrc:/Vexlo/Ui/icons/wand.svg"
                        enabled: vm.canGenerate
                        onTriggered: vm.generateClasses()
                    }
                    MenuItem {
                        objectName: "autoMatchItem"
                        text: qsTranslate("Vexlo", "Auto-match classes to courses")
                        icon.source: "qrc:/Vexlo/Ui/icons/chain.svg"
                        enabled: vm.canAutoMatch
                        onTriggered: vm.autoMatchClasses()
                    }
                    MenuSeparator { objectName: "toolsDivider" }
                    MenuItem {
                        objectName: "defaultWindowItem"
                        text: qsTranslate("Vexlo", "Default start window (start punch)...")
                        icon.source: "qrc:/Vexlo/Ui/icons/clock-badge.svg"
                        onTriggered: vm.openDefaultWindow()
                    }
                    MenuSeparator { objectName: "toolsDivider2" }
                    MenuItem {
                        objectName: "deleteAllItem"
                        text: qsTranslate("Vexlo", "Delete all classes")
                        icon.source: "qrc:/Vexlo/Ui/icons/trash-2.svg"
                        icon.color: Theme.error
                        enabled: vm.canDeleteAll
                        onTriggered: root.showingDeleteAllConfirmation = true
                    }
                }
            }
        }

        Label {
            objectName: "loadingLabel"
            visible: vm.isLoading && vm.rows.count === 0
            text: qsTranslate("Vexlo", "Loading classes…")
            font: Theme.body
            color: Theme.secondaryText
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            Layout.fillWidth: true
            Layout.fillHeight: true
        }

        ListView {
            id: table
            objectName: "classTable"
            KeepsEndInView { view: table }
            visible: !loadingLabelVisible()
            function loadingLabelVisible() { return vm.isLoading && vm.rows.count === 0 }
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: vm.rows
            headerPositioning: ListView.OverlayHeader
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }
            header: Rectangle {
                z: 2
                width: table.width
                height: 26
                color: Theme.contentBackground
                Row {
                    anchors.verticalCenter: parent.verticalCenter
                    x: 4
                    Repeater {
                        model: [
                            { key: "Name", width: root.nameWidth },
                            { key: "Mode", width: root.modeWidth },
                            { key: "Start", width: root.startWidth },
                            { key: "Course", width: root.courseWidth }
                        ]
                        Label {
                            required property var modelData
                            width: modelData.width
                            leftPadding: 4
                            text: qsTranslate("Vexlo", modelData.key)
                            font: Theme.caption
                            color: Theme.secondaryText
                        }
                    }
                }
            }
            delegate: ClassRow {
                width: table.width
                screen: vm
                nameWidth: root.nameWidth
                modeWidth: root.modeWidth
                startWidth: root.startWidth
                courseWidth: root.courseWidth
            }
        }
        // A name typed into a row that was not stored, and why: under the table, so that the
        // line coming or going moves no row under the pointer.
        Label {
            objectName: "classRenameProblem"
            visible: text !== ""
            text: vm.renameProblem
            font: Theme.caption
            color: Theme.error
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
    }

    Loader {
        active: vm.classEditor !== null
        sourceComponent: ClassEditView { editor: vm.classEditor }
    }
    Loader {
        active: vm.stageEditor !== null
        sourceComponent: StageCourseAssignmentView { editor: vm.stageEditor }
    }
    Loader {
        active: vm.windowEditor !== null
        sourceComponent: ClassStartWindowEditView { editor: vm.windowEditor }
    }
    Loader {
        active: vm.showingDefaultWindow
        sourceComponent: DefaultStartWindowView { screen: vm }
    }

    Dialog {
        objectName: "deleteAllClassesDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        visible: root.showingDeleteAllConfirmation
        width: 420
        title: qsTranslate("Vexlo", "Delete all classes?")
        onClosed: root.showingDeleteAllConfirmation = false
        contentItem: Label {
            text: qsTranslate("Vexlo", "This removes every class from the race. Courses, participants, and recorded results are not affected, but participants will no longer show a class. This cannot be undone.")
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
                    vm.deleteAllClasses()
                    root.showingDeleteAllConfirmation = false
                }
            }
        }
    }
}
