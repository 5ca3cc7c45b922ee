pragma Singleton
import QtQuick

// The option row of every picker over stages, classes or courses: the record's name as plain
// text (data: never translated), tagged with the record's id.
QtObject {
    function make(id, name) {
        return { "text": name, "value": id }
    }
}
