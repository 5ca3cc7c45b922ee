import QtQuick
import QtQuick.Controls

// A scroll view that keeps the keyboard's place in sight: a control inside it that takes the focus
// (Tab, Backtab) beyond the part on show is scrolled into view.
ScrollView {
    id: root

    Connections {
        target: root.Window.window
        function onActiveFocusItemChanged() {
            const item = root.Window.window.activeFocusItem
            const flick = root.contentItem
            let up = item
            while (up && up !== flick)
                up = up.parent
            if (!up || !flick.contentItem)
                return
            const top = item.mapToItem(flick.contentItem, 0, 0).y
            if (top < flick.contentY)
                flick.contentY = top
            else if (top + item.height > flick.contentY + flick.height)
                flick.contentY = top + item.height - flick.height
        }
    }
}
