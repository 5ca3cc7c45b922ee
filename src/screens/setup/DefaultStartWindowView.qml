import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Setup

// The event's (or the active stage's) default start window for start-punch classes.
SetupSheet {
    id: sheet
    objectName: "defaultWindowSheet"
    required property ClassesScreen screen
    onDismissed: screen.dismissDefaultWindow()
    onAccepted: screen.finishDefaultWindow()

    Label {
        text: qsTranslate("Vexlo", "Default start window — start punch classes")
        font: Theme.headline
        color: Theme.primaryText
    }
    Label {
        text: qsTranslate("Vexlo", "Applied to every start-punch class with no class-specific override (see the clock button on each class row).")
        font: Theme.caption
        color: Theme.secondaryText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
        Layout.maximumWidth: 420
    }
    TimeField {
        objectName: "defaultOpen"
        title: "Open"
        text: sheet.screen.defaultOpenText
        field.focus: true
        onEdited: text => sheet.screen.defaultOpenText = text
    }
    TimeField {
        objectName: "defaultClose"
        title: "Close"
        text: sheet.screen.defaultCloseText
        onEdited: text => sheet.screen.defaultCloseText = text
    }
    Button {
        objectName: "clearDefaultButton"
        visible: sheet.screen.hasDefaultWindow
        text: qsTranslate("Vexlo", "Clear")
        onClicked: sheet.screen.clearDefaultWindow()
    }
    Label {
        objectName: "defaultWindowProblem"
        visible: sheet.screen.defaultWindowProblem !== ""
        text: sheet.screen.defaultWindowProblem
        color: Theme.error
        font: Theme.body
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
        Layout.maximumWidth: 420
    }
    SheetButtons {
        showsCancel: false
        acceptText: qsTranslate("Vexlo", "Done")
        onAccepted: sheet.screen.finishDefaultWindow()
    }
}
