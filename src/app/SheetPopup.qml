import QtQuick
import QtQuick.Controls
import Vexlo.Ui
import Vexlo.App

// A modal sheet of the shell (see Sheet: Escape closes, Return runs the sheet's default action).
Sheet {}
