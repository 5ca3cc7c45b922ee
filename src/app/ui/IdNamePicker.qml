import QtQuick
import Vexlo.Ui
import QtQuick.Controls

// A picker over stages, classes or courses, or fixed choices. `model` holds rows made by
// idNamePickerRow ({ text: the record's name as it stands, value: its id }), or rows of that
// shape; `selectedId` may be absent
// (undefined or empty): then the row whose value is empty ("None", "(Default)") is chosen, and
// none when there is no such row. The index is set again whenever the rows or the selection
// change: a binding evaluated before the model is filled would leave the picker blank, and a
// choice made in the list would break a binding for good.
ComboBox {
    id: root
    property var selectedId
    signal picked(var id)
    textRole: "text"
    valueRole: "value"
    function showSelection() {
        currentIndex = indexOfValue(selectedId === undefined || selectedId === null ? "" : selectedId)
    }
    onSelectedIdChanged: showSelection()
    onCountChanged: showSelection()
    onModelChanged: showSelection()
    Component.onCompleted: showSelection()
    onActivated: index => {
        root.picked(valueAt(index))
        root.showSelection()
    }
}
