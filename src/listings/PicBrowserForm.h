#pragma once

#include "components/JpegImage.h"
#include "shell/EnterForm.h"

#include <QImage>
#include <QStringList>
#include <QTimer>
#include <vector>

class QListWidget;
class QPushButton;

namespace brel {

/// The large view: the current picture fitted into the area (proportions
/// kept, centred), or a message when there is none to show.
class PictureView : public QWidget {
    Q_OBJECT
public:
    explicit PictureView(QWidget *parent = nullptr);
    void setImage(const QImage &image);
    void setMessage(const QString &text);
    void clear();
    QImage image() const { return m_image; }
    QString message() const { return m_message; }

signals:
    void resized();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage m_image;
    QString m_message;
};

/// Floor-plan browser of one listing row: a column of thumbnails and a large
/// view; with editing allowed, pictures are added (copied into the picture
/// folder under a new name) and removed from the list. Pictures are decoded
/// on worker threads, the thumbnails at 1/n size by the decoder's DCT
/// scaling, the large view at the size it is shown; the window never waits
/// for a decode. A file that cannot be shown gets a placeholder row saying
/// why, so it can still be removed from the list.
class TPicBrowserFm : public TEnterFm {
    Q_OBJECT
public:
    static constexpr int ThumbnailSize = 150;
    static constexpr int RowHeight = 160;

    explicit TPicBrowserFm(bool editable, QWidget *parent = nullptr);
    ~TPicBrowserFm() override;

    /// Reads the comma text list: every name is kept, a row is shown for
    /// each name whose file is in the picture folder; the last row becomes
    /// the current picture.
    void LoadPictures(const QString &list);
    /// The comma text of PictureNames, as the callers store it in FXT.
    QString PictureList() const;

    /// Every name of the list, in order, whether or not its file exists.
    QStringList PictureNames() const { return m_names; }
    /// Full paths of the shown pictures, one per thumbnail row.
    QStringList PicturePaths() const;
    /// Row of the current picture, -1 when there is none.
    int CurrentPicture() const;
    /// How the file of a row decoded (Ok also while it is still decoding).
    JpegStatus PictureStatus(int row) const;
    /// True once every thumbnail row shows its picture or its placeholder.
    bool ThumbnailsReady() const { return m_pendingThumbnails == 0; }
    /// True once the large view shows the current picture at the size shown
    /// (or its message, or nothing when there is no picture).
    bool LargeViewReady() const { return m_largePending == 0; }

    /// The add command after its file dialog: checks the chosen file,
    /// copies it into the picture folder and shows it. False (after a
    /// message) when the file is no JPEG picture or the copy failed.
    bool AddPicture(const QString &fileName);

signals:
    void thumbnailsReady();
    void largeViewReady();

private:
    struct Row {
        QString path;
        int nameIndex = -1;
        JpegStatus status = JpegStatus::Ok;
        bool decoded = false;
        QImage thumbnail;
    };

    void btnAddClick();
    void btnDelClick();
    void addRow(const QString &path, int nameIndex);
    void thumbnailDecoded(const QString &path, const JpegImage &result);
    void showCurrent();
    void requestLargeDecode();
    void largeDecoded(quint64 request, const QString &path, const JpegImage &result);
    void updateButtons();
    QSize viewPixels() const;
    int rowOfPath(const QString &path) const;

    bool m_editable;
    QStringList m_names;
    std::vector<Row> m_rows;
    int m_pendingThumbnails = 0;
    int m_largePending = 0;
    quint64 m_largeRequest = 0;
    int m_largeDenom = 0;      ///< scale of the image in the large view; 0 = thumbnail only
    QString m_largePath;
    bool m_removing = false;
    DecodeCancel m_cancel;
    QTimer m_resizeTimer;

    QListWidget *lvPictures = nullptr;
    QPushButton *btnAdd = nullptr;
    QPushButton *btnDel = nullptr;
    PictureView *imgPicture = nullptr;
};

/// Opens the browser modally on a picture list (the FXT comma text) and
/// returns the list as it stands when the window closes. The rental and sale
/// windows store the result in FXT when they allowed editing.
QString BrowsePictures(bool editable, const QString &list, QWidget *parent = nullptr);

} // namespace brel
