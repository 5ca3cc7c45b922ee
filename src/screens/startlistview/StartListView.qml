import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui
import Vexlo.StartList
import Vexlo.StartListView
import Vexlo.Entries

// The Start List section: title, header row (stage, class filter, search, count, view, exports,
// Tools), the message line, the list or grid body and the screen's sheets. All state and logic
// live in the view-models; this file only lays them out.
Item {
    id: root
    objectName: "startListView"
    property QtObject raceStore

    StartListViewModel {
        id: vm
        raceStore: root.raceStore
    }
    StartGenerationDialog {
        id: generationModel
        store: root.raceStore
        firstStartText: vm.fixedInterval.firstStart
    }
    StartTimeEditSheet {
        id: editModel
        store: root.raceStore
    }
    StartListActions {
        id: actionsModel
        store: root.raceStore
    }
    StartSheetsViewModel {
        id: sheetsModel
        raceStore: root.raceStore
    }

    // The runner being dragged: one floating label for both bodies. Its payload is the runner's id
    // as plain text.
    Rectangle {
        id: dragProxy
        objectName: "dragProxy"
        property string runnerId
        property int fromRow: -1
        property alias label: proxyLabel.text
        visible: Drag.active
        z: 100
        width: proxyLabel.implicitWidth + 12
        height: proxyLabel.implicitHeight + 6
        radius: 4
        color: Theme.contentBackground
        border.color: Theme.divider
        Drag.keys: ["text/plain"]
        Drag.mimeData: { "text/plain": runnerId }
        Drag.hotSpot.x: 4
        Drag.hotSpot.y: height / 2
        Label { id: proxyLabel; anchors.centerIn: parent; font: Theme.caption }
    }

    function beginDrag(runnerId, name, fromRow, scenePoint) {
        dragProxy.runnerId = runnerId
        dragProxy.label = name
        dragProxy.fromRow = fromRow
        moveDrag(scenePoint)
        dragProxy.Drag.active = true
    }
    function moveDrag(scenePoint) {
        edgeScroll.scenePoint = scenePoint
        const p = root.mapFromItem(null, scenePoint.x, scenePoint.y)
        dragProxy.x = p.x - dragProxy.Drag.hotSpot.x
        dragProxy.y = p.y - dragProxy.Drag.hotSpot.y
    }
    function endDrag() {
        dragProxy.Drag.drop()
        dragProxy.Drag.active = false
        dragProxy.fromRow = -1
    }

    // While a runner is held near an edge of the list or grid, the view scrolls towards it (the
    // closer to the edge, the faster), so a runner can be dropped on a row that was out of view.
    Timer {
        id: edgeScroll
        objectName: "edgeScroll"
        property point scenePoint
        readonly property real margin: 40
        readonly property real maxStep: 24
        interval: 30
        repeat: true
        running: dragProxy.Drag.active
        function step(distance) {
            return distance < margin ? maxStep * (margin - Math.max(distance, 0)) / margin : 0
        }
        onTriggered: {
            const view = vm.displayMode === 0 ? listBody : gridBody.view
            const p = view.mapFromItem(null, scenePoint.x, scenePoint.y)
            const dy = step(view.height - p.y) - step(p.y)
            const dx = vm.displayMode === 0 ? 0 : step(view.width - p.x) - step(p.x - gridBody.leadWidth)
            const top = view.originY - view.topMargin
            const bottom = Math.max(top, view.originY + view.contentHeight + view.bottomMargin - view.height)
            const left = view.originX - view.leftMargin
            const right = Math.max(left, view.originX + view.contentWidth + view.rightMargin - view.width)
            const y = Math.min(bottom, Math.max(top, view.contentY + dy))
            const x = Math.min(right, Math.max(left, view.contentX + dx))
            if (y === view.contentY && x === view.contentX)
                return
            view.contentY = y
            view.contentX = x
            // The rows moved under the label: a nudge makes the drop areas under it notice.
            dragProxy.x += 0.5
            dragProxy.x -= 0.5
        }
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 12

        Label {
            text: qsTranslate("Vexlo", "Start List")
            font: Theme.headline
            color: Theme.primaryText
        }

        StartListHeader {
            Layout.fillWidth: true
            model: vm
            generation: generationModel
            onOpenExport: kind => vm.chooseExportFile(kind)
            onOpenImport: vm.chooseImportFile()
            onOpenClassCount: classCountSheet.open()
            onOpenPreferences: preferencesSheet.open()
            onOpenClear: clearConfirmation.open()
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            BusyIndicator {
                id: loading
                objectName: "loadingIndicator"
                anchors.centerIn: parent
                visible: vm.isLoadingData || (vm.displayMode === 1 && vm.isLoadingGridIndex)
                running: visible
            }
            Label {
                anchors.top: loading.bottom
                anchors.horizontalCenter: parent.horizontalCenter
                visible: loading.visible
                font: Theme.body
                color: Theme.secondaryText
                text: vm.isLoadingData ? qsTranslate("Vexlo", "Loading start list…")
                                       : qsTranslate("Vexlo", "Loading grid…")
            }
            StartListBody {
                id: listBody
                anchors.fill: parent
                visible: !loading.visible && vm.displayMode === 0
                screen: vm
                dragHost: root
                actions: actionsModel
                onEditTime: id => editModel.edit(id, vm.fixedInterval.firstStart)
            }
            StartGridBody {
                id: gridBody
                anchors.fill: parent
                visible: !loading.visible && vm.displayMode === 1
                screen: vm
                dragHost: root
                actions: actionsModel
            }
        }
        // What an action or export did, under the list: a line coming or going moves no row
        // under the pointer (nor under a row being dragged).
        Label {
            objectName: "messageLine"
            visible: text !== ""
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            font: Theme.caption
            color: Theme.error
            text: actionsModel.message !== "" ? actionsModel.message : vm.exportError
        }
        Label {
            objectName: "statusLine"
            visible: text !== ""
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            font: Theme.caption
            color: Theme.secondaryText
            text: vm.statusMessage
        }
    }

    StartTimeEditView { model: editModel }
    GenerationDialogView { model: generationModel }
    GenerationProgressView { model: generationModel }
    FixedIntervalView { model: vm.fixedInterval }
    ImportProgressView { model: vm }
    EntriesPerClassSheet { id: classCountSheet; model: sheetsModel }
    StartPreferencesSheet { id: preferencesSheet; model: sheetsModel }

    Dialog {
        id: clearConfirmation
        objectName: "clearConfirmation"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        width: Math.min(420, root.width - 32)
        title: qsTranslate("Vexlo", "Clear start times?")
        Label {
            width: parent.width
            wrapMode: Text.Wrap
            text: vm.clearConfirmationMessage
        }
        footer: DialogButtonBox {
            Button {
                objectName: "clearCancel"
                text: qsTranslate("Vexlo", "Cancel")
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
            Button {
                objectName: "clearConfirm"
                text: qsTranslate("Vexlo", "Clear")
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                onClicked: {
                    vm.clearStartTimes()
                    clearConfirmation.close()
                }
            }
        }
    }
}
