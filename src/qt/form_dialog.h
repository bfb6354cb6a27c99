#pragma once
#include <QDialog>
#include <span>
#include <string_view>
#include <vector>

#include "platform/dialogs.h"

class QCheckBox;
class QLineEdit;

namespace qtui {

// A form of settings: a row per field (a line of text, a file or a folder with a "Browse..."
// button, or a switch), each with its help line under it, and OK and Cancel. Cancel is the
// default button: Enter in a field does not accept a half-typed form.
class FormDialog : public QDialog {
    Q_OBJECT
public:
    FormDialog(QWidget* parent, std::string_view title, std::span<const platform::FormField> fields);
    // The fields as the operator left them.
    void values(std::span<platform::FormField> fields) const;

private:
    std::vector<QLineEdit*> edits_;   // null for switches
    std::vector<QCheckBox*> checks_;  // null for the others
};

}  // namespace qtui
