import QtQuick
import QtQuick.Controls
import Vexlo.Ui

// A whole-number field: shows `value` unless the user is typing, and hands every readable
// number typed to `edited`; text that is not a whole number leaves the value alone.
TextField {
    id: root
    property int value
    signal edited(int value)
    implicitWidth: 70
    font: Theme.body
    horizontalAlignment: Text.AlignRight
    validator: IntValidator { bottom: -99999; top: 99999 }
    text: String(value)
    onValueChanged: if (!activeFocus || parseInt(text) !== value) text = String(value)
    onTextEdited: if (acceptableInput) edited(parseInt(text))
    onActiveFocusChanged: if (!activeFocus) text = String(value)
}
