import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Settings

// The Vexlo Web tab: the API key (kept in the secret store, never shown) and its verification.
ColumnLayout {
    id: root
    required property VexloWebViewModel model
    spacing: 10

    Label {
        text: qsTranslate("Vexlo", "Vexlo Web")
        font: Theme.headline
        color: Theme.primaryText
    }
    Label {
        text: qsTranslate("Vexlo", "Planned: web sign-in and online services (e.g. a hub connecting Vexlo to other apps such as O-checklist).")
        font: Theme.caption
        color: Theme.secondaryText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    RowLayout {
        spacing: 8
        Label {
            text: qsTranslate("Vexlo", "API key")
            font: Theme.body
            color: Theme.primaryText
        }
        TextField {
            id: apiKeyField
            objectName: "apiKeyField"
            text: root.model.apiKey
            echoMode: TextInput.Password
            placeholderText: qsTranslate("Vexlo", "API key")
            // Stored once when editing ends, never per keystroke: each write may ask the user.
            onEditingFinished: root.model.finishApiKey(text)
            Layout.preferredWidth: 480
            Layout.fillWidth: true
            Layout.maximumWidth: 480
        }
        Label {
            objectName: "verifiedMark"
            visible: root.model.isVerified
            text: "✔ " + qsTranslate("Vexlo", "Verified")
            font: Theme.caption
            color: Theme.tint("green", 1)
        }
    }
    Label {
        objectName: "apiKeyError"
        visible: text !== ""
        text: root.model.apiKeyError
        font: Theme.caption
        color: Theme.error
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Label {
        objectName: "apiKeyStoreNotice"
        visible: text !== ""
        text: root.model.keyStoreNotice
        font: Theme.caption
        color: Theme.tint("orange", 1)
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    RowLayout {
        spacing: 8
        Button {
            objectName: "verifyButton"
            text: qsTranslate("Vexlo", "Verify")
            icon.name: "security-high"
            // The key being typed counts: it is stored first, then verified.
            enabled: !root.model.isVerifying && apiKeyField.text !== ""
            onClicked: {
                root.model.finishApiKey(apiKeyField.text)
                root.model.verify()
            }
            Keys.onReturnPressed: if (enabled) clicked()
        }
        BusyIndicator {
            running: root.model.isVerifying
            visible: running
            Layout.preferredWidth: 20
            Layout.preferredHeight: 20
        }
    }
    Label {
        objectName: "verifyStatus"
        text: root.model.statusText
        font: Theme.caption
        color: Theme.secondaryText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    Item { Layout.fillHeight: true }
}
