import QtQuick
import Vexlo.Ui

// The label of the "Tools" menus.
IconTitleLabel {
    title: "Tools"
    systemImage: "wrench.and.screwdriver"
}
