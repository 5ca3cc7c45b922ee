import QtQuick

// Placed in a list: while the list is scrolled to its end, it stays at its end when it is made
// shorter (a status line showing under it, a banner at the window's foot), so its last row stays
// in sight whole rather than slipping under the bottom edge until the line goes. A list that fit
// whole keeps its first rows in sight.
Item {
    id: root
    required property Flickable view
    visible: false
    // Scrolled to the end of a list longer than itself, as of before its height last changed.
    property bool atEnd: false
    // A move to the end waits for the list to take its new height.
    property bool settling: false

    function remember() {
        if (!settling)
            atEnd = view.contentHeight > view.height && view.atYEnd
    }
    function settle() {
        if (!settling)
            return
        settling = false
        if (view.positionViewAtEnd)
            view.positionViewAtEnd()
        else
            view.contentY = view.originY + view.contentHeight + view.bottomMargin - view.height
        remember()
    }
    Connections {
        target: root.view
        function onContentYChanged() { root.remember() }
        function onContentHeightChanged() { root.remember() }
        function onHeightChanged() {
            if (root.atEnd) {
                root.settling = true
                Qt.callLater(root.settle)
            } else {
                root.remember()
            }
        }
    }
}
