#pragma once
// The start-up splash window: 200 x 100 pixels, screen-centred, a colour gradient inside a
// raised frame, "Please, wait..." and the product name with its version.
#include <QString>
#include <QWidget>

namespace vexilo {

class TSplash : public QWidget {
    Q_OBJECT
public:
    explicit TSplash(QWidget* parent = nullptr);

    // Centres the window on the screen under the cursor (the primary one without a cursor),
    // shows it and paints it at once, before the start-up work blocks the event loop.
    void showCentred();

    QString message() const { return m_message; }
    QString product() const { return m_product; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_message;
    QString m_product;
};

}  // namespace vexilo
