import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// A labelled field for a typed time of day ("9:30").
RowLayout {
    id: root
    property string title
    property alias text: field.text
    property alias field: field
    signal edited(string text)
    spacing: 12

    Label {
        text: qsTranslate("Vexlo", root.title, "time of day")
        font: Theme.body
        color: Theme.primaryText
        Layout.preferredWidth: 90
    }
    TextField {
        id: field
        objectName: root.objectName + "Field"
        placeholderText: "9:30"
        Accessible.name: qsTranslate("Vexlo", root.title, "time of day")
        Layout.preferredWidth: 120
        onTextEdited: root.edited(text)
    }
}
