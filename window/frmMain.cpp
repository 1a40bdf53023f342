// The window itself: its controls and their layout, the fitting of the controls on resize, the
// end of the program on close, and the routing of Qt's events to the window's handlers.

#include "frmMain.h"

#include "EventCodes.h"
#include "ListView.h"
#include "ServerLogins.h"
#include "ServerWorker.h"
#include "Twips.h"
#include "clsNetFile.h"
#include "frmMainLayout.h"

#include <QAction>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>

#include <cstdlib>
#include <stdexcept>

namespace {

void place(QWidget* control, const ControlPlacement& at)
{
    control->setGeometry(pixelsFromTwips(at.left), pixelsFromTwips(at.top), pixelsFromTwips(at.width),
                         pixelsFromTwips(at.height));
}

double leftOf(const QWidget* control) { return twipsFromPixels(control->x()); }
double topOf(const QWidget* control) { return twipsFromPixels(control->y()); }
double widthOf(const QWidget* control) { return twipsFromPixels(control->width()); }
double heightOf(const QWidget* control) { return twipsFromPixels(control->height()); }

// A size assignment as the layout makes it: single precision, and refused when negative.
void setWidthOf(QWidget* control, double twips)
{
    const auto value = static_cast<float>(twips);
    if (!(value >= 0))
        throw std::invalid_argument("invalid width");
    control->resize(pixelsFromTwips(value), control->height());
}

void setHeightOf(QWidget* control, double twips)
{
    const auto value = static_cast<float>(twips);
    if (!(value >= 0))
        throw std::invalid_argument("invalid height");
    control->resize(control->width(), pixelsFromTwips(value));
}

QFont textBoxFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(12);
    return font;
}

QFont listFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9.75);
    return font;
}

QString captionWithoutColon(const QGroupBox* frame)
{
    QString caption = frame->title();
    if (caption.endsWith(u':'))
        caption.chop(1);
    return caption;
}

} // namespace

frmMain::frmMain(SourceFactory sourceFactory, QWidget* parent)
    : QWidget(parent, Qt::Window), m_sourceFactory(std::move(sourceFactory))
{
    buildLayout();
    runHandler([this] { Form_Load(); });
}

// The list draws from imgList, a member that goes before the child widgets do: unbind it.
frmMain::~frmMain()
{
    lst->setIcons(nullptr);
    lst->setSmallIcons(nullptr);
}

// The inventory and the worker share the one open-file source; the worker's answers reach
// the window's handlers as events of the window's thread.
void frmMain::createInventory()
{
    const std::shared_ptr<OpenFileSource> source = m_sourceFactory();
    m_inventory = std::make_unique<clsNetFile>(source);
    m_worker = std::make_unique<ServerWorker>(source);
    m_logins = std::dynamic_pointer_cast<ServerLogins>(source);
    connect(m_worker.get(), &ServerWorker::listed, this, handled(&frmMain::worker_Listed));
    connect(m_worker.get(), &ServerWorker::listedBeforeClosing, this, handled(&frmMain::worker_ListedBeforeClosing));
    connect(m_worker.get(), &ServerWorker::closed, this, handled(&frmMain::worker_Closed));
}

void frmMain::buildLayout()
{
    setWindowIcon(QIcon(QStringLiteral(":/tarnwick/tarnwick.png")));
    resize(pixelsFromTwips(windowLayout.clientWidth), pixelsFromTwips(windowLayout.clientHeight));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    frameConn = new QGroupBox(QStringLiteral("Connections..."), this);
    place(frameConn, windowLayout.frameConn);
    // The 32 x 32 picture, held at 16 x 16 for the window's screen: sharp at twice the scale.
    QImage noExt(QStringLiteral(":/tarnwick/noExt.png"));
    noExt.setDevicePixelRatio(devicePixelRatioF());
    imgList.listImages().add(QStringLiteral("noExt"), noExt);
    lst = new ListView(frameConn);
    lst->setObjectName(QStringLiteral("lst"));
    place(lst, windowLayout.lst);
    lst->setFont(listFont());
    lst->setColumns({QStringLiteral("User"), QStringLiteral("Permission type"), QStringLiteral("Ext"),
                     QStringLiteral("File name")},
                    {1500, 1500, 1500, 5000});

    frameFiltro = new QGroupBox(QStringLiteral("Filter:"), this);
    place(frameFiltro, windowLayout.frameFiltro);
    txtFiltro = new QLineEdit(frameFiltro);
    place(txtFiltro, windowLayout.txtFiltro);
    txtFiltro->setFont(textBoxFont());

    frameNomePc = new QGroupBox(QStringLiteral("Name server:"), this);
    place(frameNomePc, windowLayout.frameNomePc);
    txtPc = new QLineEdit(frameNomePc);
    place(txtPc, windowLayout.txtPc);
    txtPc->setFont(textBoxFont());

    utility = new QMenu(QStringLiteral("&Utility"), this);
    const QString captions[] = {QStringLiteral("&Close checked files"), QStringLiteral("&Check all files"),
                                QStringLiteral("&Uncheck all files")};
    for (std::size_t i = 0; i < utilitymenu.size(); ++i)
        utilitymenu[i] = utility->addAction(captions[i]);
    connect(utility, &QMenu::triggered, this, handled(&frmMain::utilitymenu_Click));

    // What a screen reader announces: the boxes by their frames' captions.
    lst->setAccessibleName(QStringLiteral("Open files"));
    txtPc->setAccessibleName(captionWithoutColon(frameNomePc));
    txtFiltro->setAccessibleName(captionWithoutColon(frameFiltro));
    utility->setAccessibleName(QStringLiteral("Utility"));

    setTabOrder(txtPc, txtFiltro);
    setTabOrder(txtFiltro, lst);
    txtPc->setFocus();

    txtPc->installEventFilter(this);
    txtFiltro->installEventFilter(this);
    connect(lst, &ListView::mouseDown, this, handled(&frmMain::lst_MouseDown));
    connect(lst, &ListView::columnClick, this, handled(&frmMain::lst_ColumnClick));
    connect(lst, &ListView::dblClick, this, handled(&frmMain::lst_DblClick));
    connect(lst, &ListView::contextMenuKey, this, handled(&frmMain::lst_ContextMenuKey));
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        // A key held down repeats its press, not its release: only the real release counts.
        if (!key.isAutoRepeat()) {
            if (watched == txtPc)
                runHandler([&, this] { txtPc_KeyUp(keyCodeOf(key), shiftStateOf(key.modifiers())); });
            else if (watched == txtFiltro)
                runHandler([&, this] { txtFiltro_KeyUp(keyCodeOf(key), shiftStateOf(key.modifiers())); });
        }
    } else if (event->type() == QEvent::FocusOut && watched == txtPc) {
        // The focus going to another window or a pop-up is no move to another control.
        const Qt::FocusReason reason = static_cast<const QFocusEvent&>(*event).reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            runHandler([this] { txtPc_LostFocus(); });
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    runHandler([this] { Form_Resize(); });
}

void frmMain::closeEvent(QCloseEvent* event)
{
    event->accept();
    Form_Unload();
}

// Fits the list and the filter box to the window's outer size (frame and caption bar
// included). The first size that comes out invalid (a window minimised or made very small)
// ends the fitting quietly; the next resize redoes it.
void frmMain::Form_Resize()
{
    const double w = twipsFromPixels(frameGeometry().width());
    const double h = twipsFromPixels(frameGeometry().height());
    try {
        setWidthOf(frameFiltro, w - leftOf(frameFiltro) - 2 * leftOf(frameNomePc));
        setWidthOf(txtFiltro, widthOf(frameFiltro) - 2 * leftOf(txtFiltro));
        setWidthOf(frameConn, w - 3 * leftOf(frameConn));
        setHeightOf(frameConn, h - topOf(frameConn) - 5 * topOf(frameNomePc));
        setWidthOf(lst, widthOf(frameConn) - 2 * leftOf(lst));
        setHeightOf(lst, heightOf(frameConn) - 1.5 * topOf(lst));
    } catch (const std::invalid_argument&) {
        // The sizes assigned before the invalid one stay in effect.
    }
}

// Closing the window ends the program at once: nothing is saved and no further event runs.
void frmMain::Form_Unload()
{
    std::_Exit(EXIT_SUCCESS);
}
