import QtQuick
import Vexlo.Ui

// Background of a list row: rows at odd positions (the second, fourth, ...) are washed gray.
Rectangle {
    property int rowIndex: 0
    color: rowIndex % 2 === 1 ? Theme.stripe : "transparent"
}
