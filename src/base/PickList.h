#pragma once
// Choose one line out of a list (the preset editor offers the valid digital groups this way).

#include <QDialog>

class QListWidget;
class QPushButton;

class TfrmPickList : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPickList(QWidget* parent = nullptr);

    void AddLine(const QString& text);

    QListWidget* lbxPickList;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    int ChosenIndex = -1;
    QString ChosenText;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void TakeChoice();
};
