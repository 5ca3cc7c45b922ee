import QtQuick
import Vexlo.Ui
import QtQuick.Controls
import QtQuick.Layouts

// A title (a localisation key) beside a named symbol; no state or styling of its own.
RowLayout {
    id: root
    property string title
    property string systemImage
    property color color: Theme.primaryText
    property font font: Theme.body
    spacing: 6

    SymbolIcon {
        name: root.systemImage
        color: root.color
        Layout.preferredWidth: 16
        Layout.preferredHeight: 16
    }
    Label {
        text: qsTranslate("Vexlo", root.title)
        color: root.color
        font: root.font
    }
}
