import QtQuick
import Vexlo.Ui
import QtQuick.Controls

// A button whose label is an IconTitleLabel.
Button {
    id: root
    property string title
    property string systemImage
    contentItem: IconTitleLabel {
        title: root.title
        systemImage: root.systemImage
        color: root.enabled ? Theme.primaryText : Theme.secondaryText
    }
    PointingHandOnHover {}
}
