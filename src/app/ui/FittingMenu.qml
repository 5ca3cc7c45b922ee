import QtQuick
import QtQuick.Controls

// A menu as wide as its widest item, so that no item is cut off in any language (a plain Menu
// keeps a fixed width and elides longer texts), and kept clear of the window's edges.
Menu {
    id: root
    margins: 8
    width: {
        let widest = 0
        for (let i = 0; i < count; ++i) {
            const item = itemAt(i)
            if (item)
                widest = Math.max(widest, item.implicitWidth)
        }
        return Math.max(implicitWidth, widest + leftPadding + rightPadding)
    }
}
