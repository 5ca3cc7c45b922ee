import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// The fixed-interval dialog: class, first start with minus and plus, interval, the estimate of the
// last start, and Cancel / Random draw (Return).
Sheet {
    id: root
    objectName: "fixedIntervalSheet"
    required property QtObject model
    readonly property bool wanted: model.shown
    onWantedChanged: wanted ? open() : close()
    onClosed: if (model.shown) model.cancel()
    onOpened: classPicker.forceActiveFocus()
    onDefaultAction: model.randomDraw()
    width: 380

    contentItem: ColumnLayout {
        // The sheet's name on its visible item, where window tests look for it.
        objectName: root.objectName
        spacing: 16
        Label {
            Layout.topMargin: 24
            Layout.leftMargin: 24
            text: qsTranslate("Vexlo", "Fixed intervals")
            font: Theme.headline
        }
        ColumnLayout {
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            spacing: 4
            Label { text: qsTranslate("Vexlo", "Class"); font: Theme.caption; color: Theme.secondaryText }
            ComboBox {
                id: classPicker
                objectName: "drawClassPicker"
                Layout.fillWidth: true
                Accessible.name: qsTranslate("Vexlo", "Class")
                model: root.model.classOptions
                textRole: "name"
                valueRole: "id"
                currentIndex: count >= 0 ? indexOfValue(root.model.classId) : -1
                onActivated: index => root.model.classId = valueAt(index)
                delegate: ItemDelegate {
                    required property var modelData
                    required property int index
                    width: classPicker.width
                    text: modelData.name
                    palette.text: modelData.fullyScheduled ? Theme.secondaryText : Theme.primaryText
                    highlighted: classPicker.highlightedIndex === index
                }
            }
        }
        ColumnLayout {
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            spacing: 4
            Label { text: qsTranslate("Vexlo", "First start"); font: Theme.caption; color: Theme.secondaryText }
            RowLayout {
                ToolButton {
                    objectName: "firstStartMinus"
                    contentItem: SymbolIcon { name: "minus.circle"; color: Theme.primaryText; implicitWidth: 18; implicitHeight: 18 }
                    Accessible.name: qsTranslate("Vexlo", "One minute earlier")
                    onClicked: root.model.shiftFirstStart(-60)
                }
                TextField {
                    objectName: "firstStartField"
                    Layout.fillWidth: true
                    font.family: "monospace"
                    placeholderText: qsTranslate("Vexlo", "HH:mm:ss")
                    text: root.model.firstStart
                    onTextEdited: root.model.firstStart = text
                }
                ToolButton {
                    objectName: "firstStartPlus"
                    contentItem: SymbolIcon { name: "plus.circle"; color: Theme.primaryText; implicitWidth: 18; implicitHeight: 18 }
                    Accessible.name: qsTranslate("Vexlo", "One minute later")
                    onClicked: root.model.shiftFirstStart(60)
                }
            }
        }
        RowLayout {
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Label { objectName: "intervalLabel"; text: root.model.intervalLabel; font: Theme.body; Layout.fillWidth: true }
            SpinBox {
                objectName: "intervalStepper"
                from: 0; to: 600; stepSize: 30
                editable: false
                value: root.model.intervalSeconds
                onValueModified: root.model.intervalSeconds = value
                Accessible.name: qsTranslate("Vexlo", "Interval")
            }
        }
        Label {
            objectName: "estimateLine"
            visible: text !== ""
            Layout.leftMargin: 24
            text: root.model.estimateText
            font: Theme.caption
            color: Theme.secondaryText
        }
        Label {
            objectName: "drawError"
            visible: text !== ""
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            text: root.model.error
            font: Theme.caption
            color: Theme.error
        }
        Rectangle { Layout.fillWidth: true; Layout.preferredHeight: 1; color: Theme.divider }
        RowLayout {
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Layout.bottomMargin: 24
            Item { Layout.fillWidth: true }
            Button {
                objectName: "drawCancel"
                text: qsTranslate("Vexlo", "Cancel")
                onClicked: root.model.cancel()
            }
            Button {
                objectName: "randomDrawButton"
                text: qsTranslate("Vexlo", "Random draw")
                contentItem: IconTitleLabel { title: "Random draw"; systemImage: "shuffle" }
                highlighted: true
                onClicked: root.model.randomDraw()
            }
        }
    }
}
