import QtQuick
import QtQuick.Controls

// A single-line field for a name. While it is not being edited it shows the name's beginning: a
// text set from the model leaves the cursor, and so the field's view, at its end.
TextField {
    onActiveFocusChanged: if (!activeFocus) cursorPosition = 0
    onTextChanged: if (!activeFocus) cursorPosition = 0
    Component.onCompleted: cursorPosition = 0
}
