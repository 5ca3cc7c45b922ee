import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.App

// A section whose screen is not part of the application yet: only its title is shown.
Item {
    id: root
    property string title
    default property alias extra: extraColumn.data

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 24
        spacing: 16
        Label {
            text: qsTranslate("Vexlo", root.title)
            font: Theme.title2
            color: Theme.primaryText
        }
        ColumnLayout {
            id: extraColumn
            spacing: 12
        }
        Item { Layout.fillHeight: true }
    }
}
