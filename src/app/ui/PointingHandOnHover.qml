import QtQuick
import Vexlo.Ui

// The pointing-hand cursor while the pointer is over the parent; the previous cursor comes back
// when it leaves (the handler restores it).
HoverHandler {
    cursorShape: Qt.PointingHandCursor
}
