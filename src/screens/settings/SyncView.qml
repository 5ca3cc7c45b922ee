import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.Settings

// The advanced-settings screen: a row of tabs over the chosen tab's content.
Item {
    id: root
    property QtObject raceStore
    readonly property SyncViewModel model: viewModel

    SyncViewModel {
        id: viewModel
        raceStore: root.raceStore
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            objectName: "tabBar"
            spacing: 4
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 12
            Repeater {
                model: viewModel.tabs
                AbstractButton {
                    id: tabButton
                    required property var modelData
                    objectName: "tab_" + modelData.id
                    activeFocusOnTab: true
                    padding: 0
                    onClicked: viewModel.selectedTab = modelData.id
                    Keys.onReturnPressed: clicked()
                    background: Rectangle {
                        radius: 6
                        color: viewModel.selectedTab === tabButton.modelData.id
                            ? Theme.tint("orange", 0.18) : "transparent"
                        border.width: tabButton.activeFocus ? 1 : 0
                        border.color: Theme.divider
                    }
                    contentItem: RowLayout {
                        spacing: 6
                        SymbolIcon {
                            objectName: "tabSymbol"
                            name: tabButton.modelData.symbol
                            color: Theme.primaryText
                            Layout.leftMargin: 10
                            Layout.preferredWidth: 16
                            Layout.preferredHeight: 16
                        }
                        Label {
                            text: tabButton.modelData.title
                            font: Theme.body
                            color: Theme.primaryText
                            Layout.rightMargin: 10
                            Layout.topMargin: 6
                            Layout.bottomMargin: 6
                        }
                    }
                }
            }
        }
        Rectangle {
            color: Theme.divider
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            Layout.topMargin: 8
        }
        Loader {
            objectName: "tabContent"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.margins: 16
            sourceComponent: viewModel.selectedTab === "liveResults" ? liveResults
                : viewModel.selectedTab === "metsa" ? metsa
                : viewModel.selectedTab === "vexloWeb" ? vexloWeb
                : viewModel.selectedTab === "oChecklist" ? oChecklist
                : viewModel.selectedTab === "language" ? language : stationRole
        }
    }

    Component {
        id: stationRole
        StationRoleTab { model: viewModel.stationRole }
    }
    Component {
        id: liveResults
        LiveResultsTab { model: viewModel.liveResults }
    }
    Component {
        id: metsa
        MetsaTab {
            model: MetsaTabViewModel { raceStore: root.raceStore }
        }
    }
    Component {
        id: vexloWeb
        VexloWebTab { model: viewModel.vexloWeb }
    }
    Component {
        id: oChecklist
        OChecklistTab { model: viewModel.oChecklist }
    }
    Component {
        id: language
        LanguageTab { model: viewModel.language }
    }
}
