#pragma once

#include <QDialog>

class QDialogButtonBox;
class QTextBrowser;
class QTextDocument;
class QVBoxLayout;

// Help > Documentation: the compiled-in page ":/doc.html" with its figures in a read-only
// browser; outside links open in the desktop's browser. 775 pixels wide, fixed; OK hides it and
// the next showing finds it as it was left.
class qt_doc_dlg : public QDialog {
    Q_OBJECT

public:
    explicit qt_doc_dlg(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    QTextBrowser* browser() const { return txt; }

public slots:
    int exec() override;
    void hide();

protected:
    // Closing from the frame only hides: no rejection step runs.
    void closeEvent(QCloseEvent* e) override;

private:
    void load_html();

    QDialogButtonBox* buttons;
    QTextDocument* doc;
    QVBoxLayout* layout;
    QTextBrowser* txt;
};
