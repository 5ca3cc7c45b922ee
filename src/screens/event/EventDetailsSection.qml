import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Event

// The event's own details: name, date and whether it has several stages. Edits change the open
// event at once; they reach its file at the next save.
ColumnLayout {
    id: root
    required property EventFileViewModel model
    spacing: 4

    Label { text: qsTranslate("Vexlo", "Event name"); font: Theme.caption; color: Theme.secondaryText }
    NameField {
        objectName: "eventNameField"
        placeholderText: qsTranslate("Vexlo", "Event name")
        text: root.model.eventName
        font: Theme.title2
        Layout.fillWidth: true
        Layout.maximumWidth: 400
        onTextEdited: root.model.eventName = text
    }
    Label {
        objectName: "nameWarning"
        visible: root.model.nameWarning !== ""
        text: root.model.nameWarning
        font: Theme.caption
        color: Theme.error
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
        Layout.maximumWidth: 400
    }
    Label {
        text: qsTranslate("Vexlo", "Event date"); font: Theme.caption; color: Theme.secondaryText
        Layout.topMargin: 8
    }
    RowLayout {
        TextField {
            objectName: "eventDateField"
            text: root.model.eventDateText
            Layout.preferredWidth: 120
            Accessible.name: qsTranslate("Vexlo", "Event date")
            onEditingFinished: root.model.setEventDateText(text)
        }
        Button { text: "<"; Layout.preferredWidth: 32; onClicked: grid.shift(-1); Accessible.name: qsTranslate("Vexlo", "Previous month") }
        Label { objectName: "eventMonthHeading"; text: grid.heading; font: Theme.headline; Layout.preferredWidth: 130; horizontalAlignment: Text.AlignHCenter }
        Button { text: ">"; Layout.preferredWidth: 32; onClicked: grid.shift(1); Accessible.name: qsTranslate("Vexlo", "Next month") }
    }
    DayOfWeekRow {
        locale: grid.locale
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
        id: grid
        property int shown: 0
        month: (root.model.eventMonth + shown + 1200) % 12
        year: root.model.eventYear + Math.floor((root.model.eventMonth + shown) / 12)
        readonly property string heading: locale.standaloneMonthName(month) + " " + year
        function shift(by) { shown += by }
        Layout.preferredWidth: 280
        onClicked: date => {
            shown = 0
            root.model.pickDay(date.getFullYear(), date.getMonth() + 1, date.getDate())
        }
        delegate: Label {
            required property var model
            horizontalAlignment: Text.AlignHCenter
            text: model.day
            opacity: model.month === grid.month ? 1 : 0.3
            font.bold: model.year === root.model.eventYear && model.month === root.model.eventMonth
                && model.day === root.model.eventDay
            color: font.bold ? Theme.sidebarAccent : Theme.primaryText
        }
    }
    Label {
        objectName: "dateError"
        visible: root.model.dateError !== ""
        text: root.model.dateError
        font: Theme.caption
        color: Theme.error
    }
    CheckBox {
        objectName: "multiStageToggle"
        Layout.topMargin: 8
        text: qsTranslate("Vexlo", "Multi-stage event (multiple days/legs)")
        checked: root.model.multiStage
        onToggled: root.model.multiStage = checked
    }
}
