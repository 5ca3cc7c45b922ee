#pragma once

// A named symbol drawn in one colour. The bundled SVGs draw with "currentColor", which is
// replaced by `color` before rendering, so an icon tints without an effect pass.

#include <QColor>
#include <QQuickPaintedItem>
#include <QSvgRenderer>
#include <QtQml/qqmlregistration.h>

#include <memory>

class SymbolIcon : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    // True when `name` is in the symbol table (an unknown name draws nothing).
    Q_PROPERTY(bool valid READ isValid NOTIFY nameChanged)

public:
    explicit SymbolIcon(QQuickItem *parent = nullptr);

    [[nodiscard]] QString name() const { return m_name; }
    void setName(const QString &name);
    [[nodiscard]] QColor color() const { return m_color; }
    void setColor(const QColor &color);
    [[nodiscard]] bool isValid() const { return m_renderer != nullptr; }

    void paint(QPainter *painter) override;

signals:
    void nameChanged();
    void colorChanged();

private:
    void reload();

    QString m_name;
    QColor m_color = Qt::black;
    std::unique_ptr<QSvgRenderer> m_renderer;
};
