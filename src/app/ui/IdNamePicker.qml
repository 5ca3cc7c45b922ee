import QtQuick
import Vexlo.Ui
import QtQuick.Controls

// A picker over stages, classes or courses. `model` holds rows made by idNamePickerRow
// ({ text: the record's name as it stands, value: its id }); `selectedId` may be absent
// (undefined or empty), in which case no row is chosen.
ComboBox {
    id: root
    property var selectedId
    signal picked(var id)
    textRole: "text"
    valueRole: "value"
    currentIndex: (selectedId === undefined || selectedId === "") ? -1 : indexOfValue(selectedId)
    onActivated: index => root.picked(valueAt(index))
}
