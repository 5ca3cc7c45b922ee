import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.App

// Shown when a quit was refused because the event cannot be saved: say so, and offer to save the
// event elsewhere; once that succeeds the window closes.
SheetPopup {
    id: root
    required property SaveStatus saveStatus
    // Closes the window once the event is safe.
    signal safeToQuit()
    objectName: "quitProblemSheet"
    visible: saveStatus.quitProblemText !== ""
    onClosed: saveStatus.dismissQuitProblem()
    width: Math.max(440, Math.min(520, parent ? parent.width - 40 : 520))
    height: Math.max(180, column.implicitHeight + 48)
    property string saveError: ""

    Connections {
        target: root.saveStatus
        function onSavedElsewhere(error) {
            root.saveError = error
            if (error === "")
                root.safeToQuit()
        }
    }

    contentItem: ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: 24
        spacing: 16

        Label {
            objectName: "quitProblemText"
            text: root.saveStatus.quitProblemText
            font: Theme.body
            color: Theme.primaryText
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        Label {
            visible: root.saveError !== ""
            text: root.saveError
            font: Theme.caption
            color: Theme.error
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        RowLayout {
            Layout.fillWidth: true
            Item { Layout.fillWidth: true }
            Button {
                text: qsTranslate("Vexlo", "Cancel")
                onClicked: root.saveStatus.dismissQuitProblem()
            }
            Button {
                objectName: "quitSaveElsewhere"
                text: qsTranslate("Vexlo", "Save As...")
                highlighted: true
                onClicked: root.saveStatus.chooseElsewhere()
            }
        }
    }
}
