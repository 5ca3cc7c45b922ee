import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// A runner's start-time preference: a clock, with "Early start" or "Late start" beside it when
// one is set; the menu sets none, early or late.
ToolButton {
    id: root
    objectName: "preferenceButton"
    property string preference
    signal chosen(string value)
    readonly property color tint: preference === "early" ? "#248a3d" : "#c93400"

    ToolTip.visible: hovered
    ToolTip.text: preference === "early" ? qsTranslate("Vexlo", "Prefers an early start")
                : preference === "late" ? qsTranslate("Vexlo", "Prefers a late start")
                : qsTranslate("Vexlo", "No start-time preference")
    Accessible.name: ToolTip.text
    contentItem: RowLayout {
        spacing: 4
        SymbolIcon {
            name: "clock"
            color: root.preference === "" ? Theme.secondaryText : root.tint
            Layout.preferredWidth: 16
            Layout.preferredHeight: 16
        }
        Label {
            visible: root.preference !== ""
            text: root.preference === "early" ? qsTranslate("Vexlo", "Early start")
                                              : qsTranslate("Vexlo", "Late start")
            font: Theme.caption
            color: root.tint
        }
    }
    onClicked: menu.popup(root, 0, root.height)
    FittingMenu {
        id: menu
        // Kept inside the window, however far right its button sits.
        margins: 4
        MenuItem {
            objectName: "preferenceNone"
            text: qsTranslate("Vexlo", "No preference")
            icon.source: root.preference === "" ? "qrc:/Vexlo/Ui/icons/checkmark.svg" : ""
            onTriggered: root.chosen("")
        }
        MenuItem {
            objectName: "preferenceEarly"
            text: qsTranslate("Vexlo", "Early")
            icon.source: root.preference === "early" ? "qrc:/Vexlo/Ui/icons/checkmark.svg" : ""
            onTriggered: root.chosen("early")
        }
        MenuItem {
            objectName: "preferenceLate"
            text: qsTranslate("Vexlo", "Late")
            icon.source: root.preference === "late" ? "qrc:/Vexlo/Ui/icons/checkmark.svg" : ""
            onTriggered: root.chosen("late")
        }
    }
}
