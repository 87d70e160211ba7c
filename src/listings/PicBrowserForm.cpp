#include "listings/PicBrowserForm.h"

#include "base/FileDialogs.h"
#include "base/Messages.h"
#include "datastore/CommaText.h"
#include "datastore/Globalvar.h"
#include "listings/PictureNames.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace brel {

namespace {

const QColor Background(208, 224, 239);

/// A thumbnail square: the picture fitted and centred on white, or a grey
/// square with a short text (still loading, cannot be shown).
QIcon thumbnailSquare(const QImage &picture, const QString &text)
{
    const int side = TPicBrowserFm::ThumbnailSize;
    QImage square(side, side, QImage::Format_RGB32);
    square.fill(picture.isNull() ? QColor(236, 236, 236) : QColor(Qt::white));
    QPainter p(&square);
    if (!picture.isNull()) {
        const QSize size = picture.size().scaled(side, side, Qt::KeepAspectRatio);
        const QRect target(QPoint((side - size.width()) / 2, (side - size.height()) / 2), size);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, picture);
    } else {
        p.setPen(QColor(90, 90, 90));
        p.drawText(square.rect().adjusted(6, 6, -6, -6), Qt::AlignCenter | Qt::TextWordWrap, text);
    }
    p.setPen(QColor(170, 170, 170));
    p.drawRect(0, 0, side - 1, side - 1);
    p.end();
    // The selection colours the row, never the picture.
    const QPixmap pixmap = QPixmap::fromImage(square);
    QIcon icon;
    icon.addPixmap(pixmap, QIcon::Normal);
    icon.addPixmap(pixmap, QIcon::Selected);
    return icon;
}

} // namespace

// ------------------------------------------------------------ PictureView

PictureView::PictureView(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(200, 150);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PictureView::setImage(const QImage &image)
{
    m_image = image;
    m_message.clear();
    update();
}

void PictureView::setMessage(const QString &text)
{
    m_image = QImage();
    m_message = text;
    update();
}

void PictureView::clear()
{
    m_image = QImage();
    m_message.clear();
    update();
}

void PictureView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QColor(170, 170, 170));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect area = rect().adjusted(4, 4, -4, -4);
    if (!m_image.isNull()) {
        const QSize size = m_image.size().scaled(area.size(), Qt::KeepAspectRatio);
        const QRect target(area.topLeft() + QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2),
                           size);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, m_image);
    } else if (!m_message.isEmpty()) {
        p.setPen(QColor(60, 60, 60));
        p.drawText(area.adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap, m_message);
    }
}

void PictureView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    emit resized();
}

// ---------------------------------------------------------- TPicBrowserFm

TPicBrowserFm::TPicBrowserFm(bool editable, QWidget *parent)
    : TEnterFm(parent), m_editable(editable), m_cancel(std::make_shared<std::atomic_bool>(false))
{
    setObjectName(QStringLiteral("PicBrowserFm"));
    setWindowTitle(tr("房型图查看"));
    setModal(true);
    resize(900, 620);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Background);
    setPalette(pal);
    setAutoFillBackground(true);

    lvPictures = new QListWidget(this);
    lvPictures->setObjectName(QStringLiteral("lvPictures"));
    lvPictures->setAccessibleName(tr("房型图列表"));
    lvPictures->setViewMode(QListView::ListMode);
    lvPictures->setIconSize(QSize(ThumbnailSize, ThumbnailSize));
    lvPictures->setUniformItemSizes(true);
    lvPictures->setTextElideMode(Qt::ElideMiddle);
    lvPictures->setFixedWidth(340);
    lvPictures->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lvPictures->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);

    btnAdd = new QPushButton(tr("＋房型图"), this);
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnDel = new QPushButton(tr("－房型图"), this);
    btnDel->setObjectName(QStringLiteral("btnDel"));
    imgPicture = new PictureView(this);
    imgPicture->setObjectName(QStringLiteral("imgPicture"));
    imgPicture->setAccessibleName(tr("房型图"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnAdd);
    buttons->addWidget(btnDel);
    buttons->addStretch();
    auto *right = new QVBoxLayout;
    right->addLayout(buttons);
    right->addWidget(imgPicture, 1);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(lvPictures);
    layout->addLayout(right, 1);

    connect(btnAdd, &QPushButton::clicked, this, &TPicBrowserFm::btnAddClick);
    connect(btnDel, &QPushButton::clicked, this, &TPicBrowserFm::btnDelClick);
    connect(lvPictures, &QListWidget::currentRowChanged, this, [this] {
        if (!m_removing)
            showCurrent();
    });
    // A larger view wants a finer decode; wait until the resizing settles.
    m_resizeTimer.setSingleShot(true);
    m_resizeTimer.setInterval(150);
    connect(&m_resizeTimer, &QTimer::timeout, this, [this] {
        const int row = CurrentPicture();
        if (row < 0 || m_rows[size_t(row)].status != JpegStatus::Ok || m_largePath != m_rows[size_t(row)].path)
            return;
        if (m_largeDenom == 0 || imgPicture->image().width() < viewPixels().width()
            || imgPicture->image().height() < viewPixels().height())
            requestLargeDecode();
    });
    connect(imgPicture, &PictureView::resized, this, [this] { m_resizeTimer.start(); });
    updateButtons();
}

TPicBrowserFm::~TPicBrowserFm()
{
    // Decodes not yet started are dropped; running ones finish unseen.
    m_cancel->store(true);
}

void TPicBrowserFm::LoadPictures(const QString &list)
{
    // Before the first show the view has no size yet; the large picture is
    // decoded for the size it will have.
    if (!isVisible())
        layout()->activate();
    m_names = readCommaText(list);
    const QDir dir(PictureDir());
    for (int i = 0; i < m_names.size(); ++i) {
        const QString &name = m_names.at(i);
        const QString path = dir.filePath(name);
        // A listed file that is not there is skipped; its name stays listed.
        if (name.isEmpty() || !QFileInfo(path).isFile())
            continue;
        addRow(path, i);
    }
    if (!m_rows.empty())
        lvPictures->setCurrentRow(int(m_rows.size()) - 1);
    updateButtons();
    if (ThumbnailsReady())
        emit thumbnailsReady();
}

QString TPicBrowserFm::PictureList() const
{
    return writeCommaText(m_names);
}

QStringList TPicBrowserFm::PicturePaths() const
{
    QStringList out;
    for (const Row &row : m_rows)
        out << row.path;
    return out;
}

int TPicBrowserFm::CurrentPicture() const
{
    return lvPictures->currentRow();
}

JpegStatus TPicBrowserFm::PictureStatus(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)].status : JpegStatus::Missing;
}

int TPicBrowserFm::rowOfPath(const QString &path) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].path == path && !m_rows[i].decoded)
            return int(i);
    return -1;
}

void TPicBrowserFm::addRow(const QString &path, int nameIndex)
{
    m_rows.push_back({path, nameIndex, JpegStatus::Ok, false, {}});
    auto *item = new QListWidgetItem(thumbnailSquare({}, tr("正在读取…")), QFileInfo(path).fileName(), lvPictures);
    item->setSizeHint(QSize(lvPictures->width() - 24, RowHeight));
    item->setToolTip(QFileInfo(path).fileName());
    ++m_pendingThumbnails;
    auto *watcher = new QFutureWatcher<JpegImage>(this);
    connect(watcher, &QFutureWatcher<JpegImage>::finished, this, [this, watcher, path] {
        watcher->deleteLater();
        thumbnailDecoded(path, watcher->result());
    });
    watcher->setFuture(decodeJpegAsync(path, QSize(ThumbnailSize, ThumbnailSize), JpegFit::Fitted, m_cancel));
}

void TPicBrowserFm::thumbnailDecoded(const QString &path, const JpegImage &result)
{
    --m_pendingThumbnails;
    const int row = rowOfPath(path);
    if (row >= 0) {
        Row &r = m_rows[size_t(row)];
        r.decoded = true;
        r.status = result.status;
        r.thumbnail = result.image;
        QListWidgetItem *item = lvPictures->item(row);
        const QString name = QFileInfo(path).fileName();
        if (result.ok()) {
            item->setIcon(thumbnailSquare(result.image, {}));
        } else {
            item->setIcon(thumbnailSquare({}, tr("无法显示")));
            item->setToolTip(jpegStatusText(result.status, name));
        }
        if (row == CurrentPicture()) {
            if (!result.ok())
                showCurrent(); // its message instead of the picture
            else if (m_largeDenom == 0)
                imgPicture->setImage(result.image); // stands in until the finer decode arrives
        }
    }
    if (ThumbnailsReady())
        emit thumbnailsReady();
}

void TPicBrowserFm::showCurrent()
{
    const int row = CurrentPicture();
    ++m_largeRequest;
    m_largeDenom = 0;
    if (row < 0) {
        m_largePath.clear();
        imgPicture->clear();
        m_largePending = 0;
        emit largeViewReady();
        return;
    }
    const Row &r = m_rows[size_t(row)];
    const bool samePicture = m_largePath == r.path;
    m_largePath = r.path;
    if (r.status != JpegStatus::Ok) {
        imgPicture->setMessage(jpegStatusText(r.status, QFileInfo(r.path).fileName()));
        m_largePending = 0;
        emit largeViewReady();
        return;
    }
    // The thumbnail stands in until the finer decode arrives.
    if (!samePicture || imgPicture->image().isNull())
        imgPicture->setImage(r.thumbnail);
    requestLargeDecode();
}

QSize TPicBrowserFm::viewPixels() const
{
    return (QSizeF(imgPicture->size().shrunkBy(QMargins(4, 4, 4, 4))) * imgPicture->devicePixelRatioF()).toSize();
}

void TPicBrowserFm::requestLargeDecode()
{
    const quint64 request = ++m_largeRequest;
    const QString path = m_largePath;
    m_largePending = 1;
    auto *watcher = new QFutureWatcher<JpegImage>(this);
    connect(watcher, &QFutureWatcher<JpegImage>::finished, this, [this, watcher, request, path] {
        watcher->deleteLater();
        largeDecoded(request, path, watcher->result());
    });
    watcher->setFuture(decodeJpegAsync(path, viewPixels(), JpegFit::Fitted, m_cancel));
}

void TPicBrowserFm::largeDecoded(quint64 request, const QString &path, const JpegImage &result)
{
    // Another picture (or size) was asked for since.
    if (request != m_largeRequest)
        return;
    m_largePending = 0;
    if (result.ok()) {
        m_largeDenom = result.scaleDenom;
        imgPicture->setImage(result.image);
    } else {
        // The file went away or changed since its thumbnail was made.
        imgPicture->setMessage(jpegStatusText(result.status, QFileInfo(path).fileName()));
    }
    emit largeViewReady();
}

void TPicBrowserFm::updateButtons()
{
    btnAdd->setEnabled(m_editable);
    btnDel->setEnabled(m_editable && !m_rows.empty());
}

void TPicBrowserFm::btnAddClick()
{
    const QString file = FileDialogs::getOpenFileName(tr("选择房型图..."), QString(), {QStringLiteral(" (*.jpg)")});
    if (file.isEmpty())
        return;
    AddPicture(file);
}

bool TPicBrowserFm::AddPicture(const QString &fileName)
{
    if (!m_editable)
        return false;
    const QFileInfo chosen(fileName);
    if (!chosen.isFile())
        return false;
    // Checked before the copy, so no foreign file lands in the picture folder.
    const JpegImage header = readJpegHeader(fileName);
    if (!header.ok()) {
        Messages::error(jpegStatusText(header.status, chosen.fileName()));
        return false;
    }
    const QString folder = PictureDir();
    if (!QDir().mkpath(folder)) {
        Messages::error(tr("无法建立房型图文件夹“%1”。").arg(QDir::toNativeSeparators(folder)));
        return false;
    }
    const QString name = UniquePictureName(folder, fileName, QDateTime::currentDateTime());
    const QString target = QDir(folder).filePath(name);
    QFile source(fileName);
    if (!source.copy(target)) {
        Messages::error(tr("复制房型图“%1”失败：%2").arg(chosen.fileName(), source.errorString()));
        return false;
    }
    m_names << name;
    addRow(target, int(m_names.size()) - 1);
    lvPictures->setCurrentRow(int(m_rows.size()) - 1);
    updateButtons();
    return true;
}

void TPicBrowserFm::btnDelClick()
{
    const int row = CurrentPicture();
    if (!m_editable || row < 0)
        return;
    const int nameIndex = m_rows[size_t(row)].nameIndex;
    // The file stays in the picture folder; only the list forgets it.
    m_names.removeAt(nameIndex);
    for (Row &r : m_rows)
        if (r.nameIndex > nameIndex)
            --r.nameIndex;
    m_rows.erase(m_rows.begin() + row);
    m_removing = true;
    delete lvPictures->takeItem(row);
    m_removing = false;
    if (m_rows.empty())
        lvPictures->setCurrentRow(-1);
    else
        lvPictures->setCurrentRow(int(m_rows.size()) - 1);
    showCurrent();
    updateButtons();
    if (ThumbnailsReady())
        emit thumbnailsReady();
}

QString BrowsePictures(bool editable, const QString &list, QWidget *parent)
{
    TPicBrowserFm fm(editable, parent);
    fm.LoadPictures(list);
    fm.exec();
    return fm.PictureList();
}

} // namespace brel
