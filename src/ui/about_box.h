#pragma once
// The about window: the program's icon, product name and version on a gradient band, a line on
// what the program does, and an OK button. It paints itself; the main window fills in the name
// and version at start-up and the caption from the language pack.
#include <QDialog>
#include <QString>

class QPushButton;

namespace vexilo {

class TLang;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    void setProduct(const QString& name, const QString& version);
    // The word before the version, the line on what the program does and the button, from the
    // pack; a text the pack lacks keeps the English one.
    void applyTexts(const TLang& lang);
    QString productName() const { return m_name; }
    QString version() const { return m_version; }
    QString blurb() const { return m_blurb; }
    QPushButton* okButton() const { return m_ok; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QFont titleFont() const;
    int bandHeight() const;

    QString m_name;
    QString m_version;
    QString m_versionWord;
    QString m_blurb;
    QPushButton* m_ok = nullptr;
};

}  // namespace vexilo
