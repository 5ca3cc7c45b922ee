import QtQuick
import QtQuick.Controls

ApplicationWindow {
    id: window
    property string eventName
    width: 1280
    height: 800
    visible: true
    title: eventName
}
