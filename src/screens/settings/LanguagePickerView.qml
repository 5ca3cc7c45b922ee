import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Settings

// The language picker: "English" and "Dansk" are shown as they stand in both languages, as
// segments side by side.
RowLayout {
    id: root
    required property LanguagePickerViewModel model
    spacing: 8

    Label {
        text: qsTranslate("Vexlo", "Language")
        font: Theme.body
        color: Theme.primaryText
    }
    TabBar {
        objectName: "languagePicker"
        currentIndex: root.model.currentIndex
        Layout.maximumWidth: 320
        Repeater {
            model: root.model.options
            SegmentButton {
                required property int index
                required property string modelData
                text: modelData
                width: implicitWidth
                onClicked: root.model.pick(index, activeFocus)
                // The window is rebuilt in the language picked: the keyboard that picked it comes
                // back to the segment chosen, not to the start of the window.
                Component.onCompleted: {
                    if (root.model.takesFocus && index === root.model.currentIndex)
                        Qt.callLater(() => forceActiveFocus(Qt.TabFocusReason))
                }
            }
        }
    }
}
