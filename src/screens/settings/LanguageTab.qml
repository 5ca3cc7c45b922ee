import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Settings

// The language tab: the picker under its heading and help text.
ColumnLayout {
    id: root
    required property LanguagePickerViewModel model
    spacing: 8

    Label {
        text: qsTranslate("Vexlo", "Language")
        font: Theme.headline
        color: Theme.primaryText
    }
    Label {
        text: qsTranslate("Vexlo", "Choose the app's display language. Changes apply immediately.")
        font: Theme.caption
        color: Theme.secondaryText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    LanguagePickerView { model: root.model }
    Item { Layout.fillHeight: true }
}
