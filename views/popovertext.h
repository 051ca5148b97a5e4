#pragma once

#include <QFont>
#include <QLabel>
#include <QString>

// White plain text on a popover panel. It wraps to the width it is given, inside a word too
// when the word is wider than that, and asks for no more than its text's natural width; in
// single-line mode the name it holds is cut in the middle instead (see nameCutToFit). Untrusted
// text such as a file name is never read as markup.
class PopoverText final : public QLabel {
    Q_OBJECT

public:
    explicit PopoverText(const QFont& font, QWidget* parent = nullptr);

    void setSingleLineElided(bool elided);
    bool isSingleLineElided() const { return m_elided; }
    // The text as drawn at the current width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_elided = false;
};
