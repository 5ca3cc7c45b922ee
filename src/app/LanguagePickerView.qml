import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.App

// The language picker: "English" and "Dansk" are shown as they stand in both languages.
RowLayout {
    id: root
    required property LanguagePickerViewModel model
    spacing: 8

    Label {
        text: qsTranslate("Vexlo", "Language")
        font: Theme.body
        color: Theme.primaryText
    }
    ComboBox {
        objectName: "languagePicker"
        model: root.model.options
        currentIndex: root.model.currentIndex
        onActivated: index => root.model.pick(index)
        Layout.preferredWidth: 160
    }
}
