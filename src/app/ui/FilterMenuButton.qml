import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vexlo.Ui

// A filter that opens a menu of its choices, drawn as the platform draws a button (its frame, and
// the keyboard's focus when it is reached with Tab) with a down arrow after the text, as a combo
// box is: it reads as a control, not as a caption. Space, Return and Enter open it too.
Button {
    id: root
    // A symbol before the text ("" for none).
    property string systemImage: ""
    // The object name of the text, for tests that read what the filter shows.
    property string labelName: ""
    font: Theme.body
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    contentItem: RowLayout {
        spacing: 6
        SymbolIcon {
            visible: root.systemImage !== ""
            name: root.systemImage
            color: Theme.primaryText
            Layout.preferredWidth: 16
            Layout.preferredHeight: 16
        }
        Label {
            objectName: root.labelName
            text: root.text
            font: root.font
            color: Theme.primaryText
            elide: Text.ElideRight
            Layout.fillWidth: true
        }
        // The combo box's arrow: a small downward triangle.
        Canvas {
            objectName: "filterArrow"
            Layout.preferredWidth: 8
            Layout.preferredHeight: 5
            onPaint: {
                const ctx = getContext("2d")
                ctx.reset()
                ctx.fillStyle = Theme.secondaryText
                ctx.beginPath()
                ctx.moveTo(0, 0)
                ctx.lineTo(width, 0)
                ctx.lineTo(width / 2, height)
                ctx.closePath()
                ctx.fill()
            }
        }
    }
}
