import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Event

// The stage editor sheet: a working copy of one stage, handed to the store only by "Save".
Popup {
    id: root
    required property StagesViewModel model
    objectName: "stageEditSheet"
    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    visible: model.editing
    closePolicy: Popup.CloseOnEscape
    width: Math.max(320, column.implicitWidth + 48)
    padding: 24
    onClosed: if (model.editing) model.cancelEdit()
    onOpened: nameField.forceActiveFocus()
    background: Rectangle { color: Theme.contentBackground; radius: 10; border.color: Theme.divider }

    contentItem: ColumnLayout {
        id: column
        spacing: 10
        Keys.onReturnPressed: root.model.saveEdit()
        Keys.onEnterPressed: root.model.saveEdit()
        Label { text: qsTranslate("Vexlo", "Name"); font: Theme.caption; color: Theme.secondaryText }
        NameField {
            id: nameField
            objectName: "stageNameField"
            Layout.fillWidth: true
            text: root.model.editName
            onTextEdited: root.model.editName = text
            onAccepted: root.model.saveEdit()
        }
        Label {
            objectName: "stageNameWarning"
            visible: root.model.editNameWarning !== ""
            text: root.model.editNameWarning
            font: Theme.caption
            color: Theme.error
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        Label { text: qsTranslate("Vexlo", "Date"); font: Theme.caption; color: Theme.secondaryText }
        RowLayout {
            Label {
                objectName: "stageDateLabel"
                text: root.model.editDateDisplay
                font: Theme.body
                color: Theme.primaryText
                Layout.preferredWidth: 130
            }
            Button { text: "<"; Layout.preferredWidth: 32; onClicked: calendar.shift(-1); Accessible.name: qsTranslate("Vexlo", "Previous month") }
            Label { objectName: "stageMonthHeading"; text: calendar.heading; font: Theme.headline; Layout.preferredWidth: 130; horizontalAlignment: Text.AlignHCenter }
            Button { text: ">"; Layout.preferredWidth: 32; onClicked: calendar.shift(1); Accessible.name: qsTranslate("Vexlo", "Next month") }
        }
        DayOfWeekRow {
            locale: calendar.locale
            Layout.preferredWidth: 280
            delegate: Label {
                required property string shortName
                text: shortName
                font: Theme.caption
                color: Theme.secondaryText
                horizontalAlignment: Text.AlignHCenter
            }
        }
        MonthGrid {
            id: calendar
            objectName: "stageCalendar"
            property int shown: 0
            month: (root.model.editMonth + shown + 1200) % 12
            year: root.model.editYear + Math.floor((root.model.editMonth + shown) / 12)
            readonly property string heading: locale.standaloneMonthName(month) + " " + year
            function shift(by) { shown += by }
            Layout.preferredWidth: 280
            onClicked: date => {
                shown = 0
                root.model.pickEditDay(date.getFullYear(), date.getMonth() + 1, date.getDate())
            }
            delegate: Label {
                required property var model
                objectName: "stageDay_" + model.year + "-" + (model.month + 1) + "-" + model.day
                horizontalAlignment: Text.AlignHCenter
                text: model.day
                opacity: model.month === calendar.month ? 1 : 0.3
                font.bold: model.year === root.model.editYear && model.month === root.model.editMonth
                    && model.day === root.model.editDay
                color: font.bold ? Theme.sidebarAccent : Theme.primaryText
            }
        }
        RowLayout {
            Label { text: root.model.editOrderTitle; Layout.fillWidth: true }
            SpinBox {
                objectName: "stageOrderStepper"
                from: 0; to: 99
                value: root.model.editOrder
                onValueModified: root.model.editOrder = value
            }
        }
        RowLayout {
            Layout.fillWidth: true
            Button { objectName: "stageCancel"; text: qsTranslate("Vexlo", "Cancel"); onClicked: root.model.cancelEdit() }
            Item { Layout.fillWidth: true }
            Button {
                objectName: "stageSave"
                text: qsTranslate("Vexlo", "Save")
                highlighted: true
                enabled: root.model.editNameWarning === ""
                onClicked: root.model.saveEdit()
            }
        }
    }
}
