#pragma once
// The progress of a file operation in a dialog that appears only when the work lasts longer
// than half a second; its Cancel button stops the operation between files or mid-copy.
#include <QString>
#include <functional>

#include "files/file_operation.h"

class QWidget;

namespace vexilo {

std::function<bool(const FileProgress&)> fileProgressDialog(QWidget* parent, const QString& title);

}  // namespace vexilo
