#include "gui/common/ScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace screenFit {

namespace {

class Filter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(watched);
            const Qt::WindowType type = widget->windowType();
            if (widget->isWindow() && type != Qt::Popup && type != Qt::ToolTip && type != Qt::Desktop)
                fit(widget);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void install()
{
    static Filter *filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new Filter(qApp);
    qApp->installEventFilter(filter);
}

void fit(QWidget *window)
{
    QScreen *screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The window manager's frame, once the window has one; before its first show it is not known.
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(),
                           frame.right() - inner.right(), frame.bottom() - inner.bottom());
    const QSize most = area.size().shrunkBy(margins);
    if (window->minimumWidth() > most.width() || window->minimumHeight() > most.height())
        window->setMinimumSize(window->minimumSize().boundedTo(most));
    const QSize size = window->size().boundedTo(most);
    if (size != window->size())
        window->resize(size);
    // Moved in so that its frame lies inside the area: the left and top edges win over the right and bottom.
    QPoint at = window->pos(); // the frame's top left
    const int width = size.width() + margins.left() + margins.right();
    const int height = size.height() + margins.top() + margins.bottom();
    at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - width)));
    at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - height)));
    if (at != window->pos())
        window->move(at);
}

} // namespace screenFit
