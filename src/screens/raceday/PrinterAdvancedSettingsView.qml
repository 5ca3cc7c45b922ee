import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// Driver-specific receipt printer tuning: the paper fed after a receipt and the job option that
// makes the printer cut. Every edit is written at once through the owner's handlers; there is no
// separate save or cancel.
ColumnLayout {
    id: root
    // The stored feed as the selected language writes it.
    property string bottomFeedText
    property string autoCutOptionKey
    property string autoCutOptionValue
    // Stores a typed feed; returns "" or why the text was refused (the setting is then kept).
    property var enterBottomFeed: text => ""
    property string bottomFeedError
    signal autoCutOptionKeyEdited(string value)
    signal autoCutOptionValueEdited(string value)
    signal close()

    spacing: 16
    implicitWidth: 460

    function commitBottomFeed() {
        root.bottomFeedError = root.enterBottomFeed(feedField.text)
        if (root.bottomFeedError === "")
            feedField.text = Qt.binding(() => root.bottomFeedText)
        return root.bottomFeedError === ""
    }
    // "Done" and Return: a feed that cannot be read keeps the sheet open with its message.
    function done() {
        if (root.commitBottomFeed())
            root.close()
    }

    RowLayout {
        Layout.fillWidth: true
        Label {
            text: qsTranslate("Vexlo", "Advanced Printer Settings")
            font.pixelSize: Theme.title3.pixelSize
            font.bold: true
            color: Theme.primaryText
        }
        Item { Layout.fillWidth: true }
        ToolButton {
            objectName: "closeAdvancedPrinterSettings"
            flat: true
            contentItem: CloseButtonIcon {}
            onClicked: root.done()
        }
    }
    Label {
        text: qsTranslate("Vexlo", "Driver-specific tuning for thermal/POS receipt printers with an auto-cutter. Set these once for your printer model — most users never need to touch them.")
        font: Theme.caption
        color: Theme.secondaryText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    GridLayout {
        columns: 2
        columnSpacing: 12
        rowSpacing: 8
        Layout.fillWidth: true

        Label {
            text: qsTranslate("Vexlo", "Bottom feed (pts)")
            font: Theme.body
            Layout.fillWidth: true
        }
        TextField {
            id: feedField
            objectName: "bottomFeedField"
            placeholderText: "0"
            text: root.bottomFeedText
            horizontalAlignment: TextInput.AlignRight
            Layout.preferredWidth: 80
            onEditingFinished: root.commitBottomFeed()
        }
        Label {
            objectName: "bottomFeedError"
            visible: root.bottomFeedError !== ""
            text: root.bottomFeedError
            font: Theme.caption
            color: Theme.error
            wrapMode: Text.WordWrap
            Layout.columnSpan: 2
            Layout.fillWidth: true
        }
        Label {
            text: qsTranslate("Vexlo", "Extra blank paper fed after the receipt, before any auto-cut — gives the cutter clearance so it doesn't slice through the last printed line.")
            font: Theme.caption
            color: Theme.secondaryText
            wrapMode: Text.WordWrap
            Layout.columnSpan: 2
            Layout.fillWidth: true
        }
        Label {
            text: qsTranslate("Vexlo", "Autocut option key")
            font: Theme.body
            Layout.fillWidth: true
        }
        TextField {
            objectName: "autoCutKeyField"
            placeholderText: qsTranslate("Vexlo", "advanced, driver-specific")
            text: root.autoCutOptionKey
            horizontalAlignment: TextInput.AlignRight
            Layout.preferredWidth: 200
            onTextEdited: root.autoCutOptionKeyEdited(text)
        }
        Label {
            text: qsTranslate("Vexlo", "Autocut option value")
            font: Theme.body
            Layout.fillWidth: true
        }
        TextField {
            objectName: "autoCutValueField"
            placeholderText: qsTranslate("Vexlo", "e.g. 1")
            text: root.autoCutOptionValue
            horizontalAlignment: TextInput.AlignRight
            Layout.preferredWidth: 200
            onTextEdited: root.autoCutOptionValueEdited(text)
        }
        Label {
            text: qsTranslate("Vexlo", "Passed straight through to CUPS as -o key=value to trigger your printer's auto-cutter. Linux printing has no generic \"cut now\" command — the exact key/value is specific to your printer's driver/PPD (Star/Epson/Bixolon each name this differently). Leave blank if unsure; an unrecognized key is silently ignored.")
            font: Theme.caption
            color: Theme.secondaryText
            wrapMode: Text.WordWrap
            Layout.columnSpan: 2
            Layout.fillWidth: true
        }
    }
    Item { Layout.fillHeight: true }
    RowLayout {
        Layout.fillWidth: true
        Item { Layout.fillWidth: true }
        Button {
            objectName: "advancedPrinterDone"
            text: qsTranslate("Vexlo", "Done")
            highlighted: true
            onClicked: root.done()
        }
    }
}
