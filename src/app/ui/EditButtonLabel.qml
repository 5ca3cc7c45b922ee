import QtQuick
import Vexlo.Ui

IconTitleLabel {
    title: "Edit"
    systemImage: "pencil"
}
