import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.App
import Vexlo.Settings

// The one main window. Its whole content is rebuilt when the language changes, so every screen
// starts again from its initial state in the new language.
ApplicationWindow {
    id: window
    required property ContentViewModel contentModel
    required property NewEventSetupViewModel newEvent
    required property LanguagePickerViewModel languagePicker
    required property ReceiptSettings receiptSettings
    required property SaveStatus saveStatus
    // The long-lived store and card reader, handed on to the screens.
    property QtObject raceStore
    property QtObject reader
    // The race-day desk: card-read handling, the card-read toast and the unmatched-card sheet.
    property QtObject raceDay

    width: 1280
    height: 800
    minimumWidth: content.item ? content.item.minimumWidth : 0
    minimumHeight: content.item ? content.item.minimumHeight : 0
    visible: true
    title: contentModel.windowTitle
    color: Theme.windowBackground

    // Fields write what was typed when their editing ends, and losing the focus ends it: taking
    // the focus before the content is rebuilt or the window closes keeps every typed text.
    function finishEditing() {
        if (activeFocusItem && activeFocusItem !== focusSink)
            focusSink.forceActiveFocus()
    }
    // Holds the focus only while the content is replaced; not a focus scope, so taking the focus
    // really takes it from the field.
    Item { id: focusSink }

    // One Ctrl+S for the whole window, here where the content's rebuild in another language
    // leaves it alone: two shortcuts holding one key make neither fire.
    Shortcut {
        sequences: [StandardKey.Save]
        onActivated: if (content.item) content.item.saveEvent()
    }

    Loader {
        id: content
        anchors.fill: parent
        property string language: window.languagePicker.languageCode
        onLanguageChanged: {
            window.finishEditing()
            active = false
            active = true
        }
        sourceComponent: ContentView {
            contentModel: window.contentModel
            languagePicker: window.languagePicker
            receiptSettings: window.receiptSettings
            saveStatus: window.saveStatus
            raceStore: window.raceStore
            reader: window.reader
            raceDay: window.raceDay
        }
    }

    NewEventSetupView {
        model: window.newEvent
        anchors.centerIn: parent
    }

    // What was typed is written first; then nothing unsaved is left behind silently: a quit
    // while the disk refuses is held back.
    onClosing: (close) => {
        window.finishEditing()
        if (!window.saveStatus.mayQuit())
            close.accepted = false
    }
    QuitProblemView {
        saveStatus: window.saveStatus
        anchors.centerIn: parent
        onSafeToQuit: window.close()
    }
}
