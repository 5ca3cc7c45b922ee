import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Setup

// One class's own start window, for the active stage or the class itself.
SetupSheet {
    id: sheet
    objectName: "startWindowSheet"
    required property StartWindowEditor editor
    onDismissed: editor.cancel()
    onAccepted: editor.save()

    Label {
        text: sheet.editor.title
        font: Theme.headline
        color: Theme.primaryText
    }
    Label {
        text: qsTranslate("Vexlo", "Leave blank to use the event's default start window for start-punch classes.")
        font: Theme.caption
        color: Theme.secondaryText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    TimeField {
        objectName: "open"
        title: "Open"
        text: sheet.editor.openText
        field.focus: true
        onEdited: text => sheet.editor.openText = text
    }
    TimeField {
        objectName: "close"
        title: "Close"
        text: sheet.editor.closeText
        onEdited: text => sheet.editor.closeText = text
    }
    Button {
        objectName: "clearOverrideButton"
        text: qsTranslate("Vexlo", "Clear override (use event default)")
        enabled: sheet.editor.canClear
        onClicked: sheet.editor.clear()
    }
    Label {
        objectName: "windowProblem"
        visible: sheet.editor.problem !== ""
        text: sheet.editor.problem
        color: Theme.error
        font: Theme.body
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
        Layout.maximumWidth: 420
    }
    SheetButtons {
        onCancelled: sheet.editor.cancel()
        onAccepted: sheet.editor.save()
    }
}
