#pragma once

#include <QHeaderView>
#include <vector>

namespace vrklad {

// The header of the record list, which shows one of two images right of a
// column's caption: image 0 a down-pointing triangle (descending), image 1
// an up-pointing one (ascending).
class SortArrowHeader : public QHeaderView {
    Q_OBJECT
public:
    static constexpr int kArrowDown = 0;
    static constexpr int kArrowUp = 1;
    static constexpr int kNoImage = -1;

    explicit SortArrowHeader(QWidget* parent = nullptr);

    void SetImage(int column, int image);
    int Image(int column) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    std::vector<int> m_images;
};

}  // namespace vrklad
