import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// The card result panel: who ran, the class, the time or score with its verdict, the missed
// controls. `panel` is the desk's cardPanel map; every text in it is ready to show.
ColumnLayout {
    id: root
    property var panel: ({})
    readonly property string orange: Theme.tint("orange", 1.0)
    readonly property string green: Theme.tint("green", 1.0)
    readonly property string red: Theme.tint("red", 1.0)
    spacing: 4

    Label {
        objectName: "panelRunnerName"
        text: root.panel.runnerName || ""
        font: Theme.title2
        color: Theme.primaryText
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }
    Label {
        objectName: "panelClass"
        visible: (root.panel.classText || "") !== ""
        text: root.panel.classText || ""
        font: Theme.subheadline
        color: Theme.secondaryText
    }
    RowLayout {
        spacing: 8
        Label {
            objectName: "panelValue"
            text: root.panel.valueText || ""
            font: Theme.headline
            color: root.panel.valueMissing ? root.orange : Theme.primaryText
        }
        Label {
            visible: (root.panel.penaltyText || "") !== ""
            text: root.panel.penaltyText || ""
            font: Theme.subheadline
            color: root.red
        }
        Label {
            objectName: "panelVerdict"
            visible: (root.panel.verdictText || "") !== ""
            text: root.panel.verdictText || ""
            font: Theme.headline
            color: root.panel.verdictGood ? root.green : root.red
        }
    }
    Label {
        visible: (root.panel.missingText || "") !== ""
        text: root.panel.missingText || ""
        font: Theme.subheadline
        color: root.red
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Label {
        objectName: "panelRepeat"
        visible: (root.panel.repeatText || "") !== ""
        text: root.panel.repeatText || ""
        font: Theme.subheadline
        color: root.orange
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Label {
        objectName: "panelMark"
        visible: (root.panel.markText || "") !== ""
        text: root.panel.markText || ""
        font: Theme.subheadline
        color: root.orange
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Label {
        objectName: "panelDay"
        visible: (root.panel.dayText || "") !== ""
        text: root.panel.dayText || ""
        font: Theme.subheadline
        color: root.orange
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Label {
        text: root.panel.footerText || ""
        font: Theme.caption
        color: Theme.secondaryText
    }
}
