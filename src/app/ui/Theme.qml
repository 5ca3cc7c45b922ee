pragma Singleton
import QtQuick

// Fonts, colours and metrics shared by every screen, so all screens look alike.
QtObject {
    readonly property color windowBackground: "#ececec"
    readonly property color contentBackground: "#f5f5f5"
    readonly property color primaryText: "#1d1d1f"
    readonly property color secondaryText: "#6e6e73"
    readonly property color divider: "#d1d1d6"
    readonly property color error: "#d70015"
    // Odd rows of a list (the second, fourth, ...) get a gray wash at low opacity.
    readonly property color stripe: Qt.rgba(0.5, 0.5, 0.5, 0.08)
    readonly property color sidebarAccent: Qt.rgba(0.91, 0.42, 0.16, 1.0)

    readonly property font body: Qt.font({ pixelSize: 13 })
    readonly property font title2: Qt.font({ pixelSize: 22, bold: true })
    readonly property font title3: Qt.font({ pixelSize: 20 })
    readonly property font headline: Qt.font({ pixelSize: 13, bold: true })
    readonly property font subheadline: Qt.font({ pixelSize: 11 })
    readonly property font callout: Qt.font({ pixelSize: 12 })
    readonly property font caption: Qt.font({ pixelSize: 10 })

    // The named system colours of the section tints; `opacity` 0.6 unless given.
    function tint(name, opacity) {
        const colours = {
            "gray": "#8e8e93", "red": "#ff3b30", "brown": "#a2845e", "green": "#34c759",
            "purple": "#af52de", "blue": "#007aff", "orange": "#ff9500", "teal": "#30b0c7",
            "indigo": "#5856d6", "pink": "#ff2d55"
        }
        const c = Qt.color(colours[name] !== undefined ? colours[name] : "#8e8e93")
        return Qt.rgba(c.r, c.g, c.b, opacity === undefined ? 0.6 : opacity)
    }
}
