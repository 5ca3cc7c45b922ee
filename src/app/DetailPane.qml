import QtQuick
import QtQuick.Controls
import Vexlo.Ui
import Vexlo.App
import Vexlo.Settings

// Shows the selected section's screen, built anew each time the section is selected. A screen
// plugs in through ContentViewModel's screen table (a QML file per section) and gets the store
// as `raceStore`; the reader pane also gets `reader`, `contentModel`, `receiptSettings` and the
// race-day desk as `raceDay`, the results screen the desk (it prints receipts through it) and the
// Status screen too (its kept unknown cards open the unmatched-card sheet).
Rectangle {
    id: root
    required property ContentViewModel contentModel
    required property LanguagePickerViewModel languagePicker
    required property ReceiptSettings receiptSettings
    property QtObject raceStore
    property QtObject reader
    property QtObject raceDay
    // The screen on show.
    readonly property Item currentScreen: screen.item
    color: Theme.windowBackground

    Loader {
        id: screen
        anchors.fill: parent

        // A field of the screen being replaced writes what was typed when it loses the focus
        // (its editing ends); the focus elsewhere stays where it is.
        function finishEditing() {
            for (let item = root.Window.activeFocusItem; item; item = item.parent) {
                if (item === screen) {
                    root.forceActiveFocus()
                    return
                }
            }
        }

        function rebuild() {
            finishEditing()
            source = ""
            sourceComponent = undefined
            const section = root.contentModel.selectedItem
            if (section === "") {
                sourceComponent = noSelection
                return
            }
            if (section === "introduction") {
                sourceComponent = introduction
                return
            }
            const url = root.contentModel.detailScreen.toString()
            if (url === "") {
                sourceComponent = titleOnly
            } else if (section === "reader") {
                setSource(url, {
                    "raceStore": root.raceStore,
                    "reader": root.reader,
                    "contentModel": root.contentModel,
                    "receiptSettings": root.receiptSettings,
                    "raceDay": root.raceDay
                })
            } else if (section === "results" || section === "pending") {
                setSource(url, { "raceStore": root.raceStore, "raceDay": root.raceDay })
            } else {
                setSource(url, { "raceStore": root.raceStore })
            }
        }

        Component.onCompleted: rebuild()
        Connections {
            target: root.contentModel
            function onSelectedItemChanged() { screen.rebuild() }
        }
    }

    Component {
        id: introduction
        InfoView {
            isMultiStageEvent: root.contentModel.isMultiStageEvent
            onSelectSection: section => root.contentModel.selectedItem = section
        }
    }
    Component {
        id: titleOnly
        SectionPlaceholder { title: root.contentModel.selectedTitle }
    }
    Component {
        id: noSelection
        Item {
            Label {
                anchors.centerIn: parent
                text: qsTranslate("Vexlo", "Select a section")
                color: Theme.secondaryText
                font: Theme.body
            }
        }
    }
}
