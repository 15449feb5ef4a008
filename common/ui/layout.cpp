// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ui/layout.h"

#include "common/ui/dirlist.h"
#include "common/ui/drivelist.h"
#include "common/ui/patternboxes.h"
#include "platform/twips.h"
#include "platform/ui/clicklabel.h"
#include "platform/ui/fonts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <vector>

namespace bv {

using namespace layout;

namespace {

QFont fontOf(const Font& f)
{
    switch (f.family) {
    case Family::Arial:
        return arialFont(f.points, f.bold, f.italic, f.underline);
    case Family::Sans: {
        QFont font = sansFont(f.points);
        font.setBold(f.bold);
        font.setItalic(f.italic);
        font.setUnderline(f.underline);
        return font;
    }
    case Family::Terminal:
        return terminalFont(f.points, f.bold);
    case Family::Window:
        break;
    }
    return {};
}

void fillBackground(QWidget* w, QRgb colour)
{
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, QColor::fromRgb(colour));
    w->setPalette(p);
}

Qt::Alignment alignmentOf(std::uint16_t looks)
{
    if (looks & Centred)
        return Qt::AlignCenter;
    if (looks & CentreTop)
        return Qt::AlignHCenter | Qt::AlignTop;
    if (looks & LeftTop)
        return Qt::AlignLeft | Qt::AlignTop;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QWidget* make(QWidget* parent, const ControlSpec& c)
{
    const QString caption = QString::fromUtf8(c.caption);
    switch (c.kind) {
    case Kind::Label:
    case Kind::Box:
    case Kind::ClickLabel: {
        auto* label = c.kind == Kind::ClickLabel ? new ClickLabel(parent) : new QLabel(parent);
        label->setText(caption);
        if (c.looks & PlainText)
            label->setTextFormat(Qt::PlainText);
        label->setAlignment(alignmentOf(c.looks));
        label->setWordWrap(c.looks & WordWrap);
        if (c.looks & Border) {
            label->setFrameShape(QFrame::Box);
            label->setLineWidth(1);
        }
        return label;
    }
    case Kind::Button: {
        auto* button = new QPushButton(caption, parent);
        if (c.looks & NotDefault)
            button->setAutoDefault(false);
        return button;
    }
    case Kind::CheckBox:
        return new QCheckBox(caption, parent);
    case Kind::LineEdit:
        return new QLineEdit(parent);
    case Kind::ComboBox:
        return new QComboBox(parent);
    case Kind::PatternBox:
        return patternBox(parent, QString::fromLatin1(c.name),
                          twRect(c.rect.left, c.rect.top, c.rect.width, c.rect.height));
    case Kind::DriveList:
        return new DriveList(parent);
    case Kind::DirList:
        return new DirList(parent);
    case Kind::TextView: {
        auto* view = new QPlainTextEdit(parent);
        view->setReadOnly(true);
        return view;
    }
    }
    return nullptr;
}

} // namespace

void Controls::missing(const char* name)
{
    qFatal("The layout table holds no control \"%s\" of the kind the window asks for.", name);
}

void applyForm(QWidget* window, const LayoutTable& table)
{
    const FormSpec& f = table.form;
    window->setObjectName(QString::fromLatin1(f.name));
    window->setWindowTitle(QString::fromUtf8(f.title));
    if (f.font.family != Family::Window)
        window->setFont(fontOf(f.font));
    if (f.back != kNoColour)
        fillBackground(window, f.back);
    window->setFixedSize(twSize(f.width, f.height));
}

Controls buildLayout(QWidget* parent, const LayoutTable& table)
{
    Controls out;
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (const ControlSpec& c : table.controls) {
        QWidget* w = make(parent, c);
        w->setObjectName(QString::fromLatin1(c.name));
        if (c.font.family != Family::Window)
            w->setFont(fontOf(c.font));
        if (c.colours.back != kNoColour)
            fillBackground(w, c.colours.back);
        if (c.colours.text != kNoColour)
            setTextColour(w, QColor::fromRgb(c.colours.text));
        if (c.rect.width > 0 && c.rect.height > 0) {
            w->setGeometry(twRect(c.rect.left, c.rect.top, c.rect.width, c.rect.height));
        } else {
            w->move(twPoint(c.rect.left, c.rect.top));
            w->adjustSize();
        }
        if (c.looks & Condensed) {
            if (auto* label = qobject_cast<QLabel*>(w))
                condenseToFit(label);
        }
        if (c.looks & Hidden)
            w->hide();
        if (c.spoken)
            w->setAccessibleName(QString::fromUtf8(c.spoken));
        if (c.tab > 0)
            tabOrder.emplace_back(c.tab, w);
        out.m_byName.insert(QByteArray(c.name), w);
    }
    for (const ControlSpec& c : table.controls) {
        if (c.names) {
            if (auto* label = qobject_cast<QLabel*>(out.m_byName.value(QByteArray(c.name))))
                label->setBuddy(out.find(c.names));
        }
    }
    std::stable_sort(tabOrder.begin(), tabOrder.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    return out;
}

} // namespace bv
