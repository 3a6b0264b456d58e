#include "app/CReelnookPlayerDlg.h"

#include "app/CAboutDlg.h"
#include "res/ProgramIcon.h"
#include "res/Texts.h"
#include "text/QtText.h"
#include "widgets/DialogBuilder.h"
#include "widgets/OpenUrl.h"

#include <utility>

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>

namespace kestrova {

namespace {

// The system menu's command identifiers; the low four bits are the platform's own.
constexpr int kCommandMinimize = 0xF020;
constexpr int kCommandClose = 0xF060;
constexpr int kCommandMask = 0xFFF0;

constexpr GlassMargins kGlassBand{8, 5, 24, 5};

void addCommand(QMenu* menu, const QString& text, int command) {
    menu->addAction(text)->setData(command);
}

} // namespace

QPoint CenteredIconOrigin(QSize client, QSize icon) {
    return {(client.width() - icon.width() + 1) / 2, (client.height() - icon.height() + 1) / 2};
}

void FillSystemMenu(QMenu* menu, const QString& aboutText) {
    addCommand(menu, ToQString(texts::kSystemMenuMinimize), kCommandMinimize);
    addCommand(menu, ToQString(texts::kSystemMenuClose), kCommandClose);
    if (!aboutText.isEmpty()) {
        menu->addSeparator();
        addCommand(menu, aboutText, ids::kAboutCommand);
    }
}

CReelnookPlayerDlg::CReelnookPlayerDlg(ControlPanelFactory controlPanel, Compositor& compositor)
    : QDialog(nullptr)
    , m_hIcon(ProgramIcon())
    , m_controlPanelFactory(std::move(controlPanel))
    , m_compositor(compositor) {
    BuildDialog(GetDialogTemplate(ids::kMainDialog), this);
}

CReelnookPlayerDlg::~CReelnookPlayerDlg() = default;

// The window initialises when it is first shown, as a template dialog does when it is created:
// by then start-up has located the data files the control panel reads.
void CReelnookPlayerDlg::setVisible(bool visible) {
    if (visible && !m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
    QDialog::setVisible(visible);
}

void CReelnookPlayerDlg::OnInitDialog() {
    m_systemMenu = new QMenu(this);
    FillSystemMenu(m_systemMenu, ToQString(texts::kAboutMenuItem));
    connect(m_systemMenu, &QMenu::triggered, this,
            [this](QAction* action) { OnSysCommand(action->data().toInt()); });

    setWindowIcon(m_hIcon);

    auto* link = findControl<QLabel>(this, ids::kMakerLink);
    connect(link, &QLabel::linkActivated, this, [] { OpenMakerHomePage(); });

    if (m_controlPanelFactory) {
        m_controlDlg = m_controlPanelFactory(this);
        if (m_controlDlg) {
            // The panel keeps the ordinary dialog background, also while the frame is glass.
            m_controlDlg->setAutoFillBackground(true);
            m_controlDlg->show();
        }
    }

    QueryGlassEnabled(m_compositor, &m_bGlass);
    // Kept whether or not glass is on, so that a later composition change can use them.
    m_glassMargins = kGlassBand;
    if (m_bGlass) {
        ExtendGlassFrame(m_compositor, this, m_glassMargins);
    }
    update();
}

void CReelnookPlayerDlg::accept() {}

void CReelnookPlayerDlg::done(int result) {
    QDialog::done(result);
    DestroyWindow();
}

bool CReelnookPlayerDlg::DestroyWindow() {
    // The panel saves the history (through the history panel) and where the video was left as
    // it goes; the settings are saved after it, by what it drove.
    m_controlDlg.reset();
    hide();
    return true;
}

void CReelnookPlayerDlg::OnCompositionChanged() {
    updateGlass();
}

void CReelnookPlayerDlg::updateGlass() {
    QueryGlassEnabled(m_compositor, &m_bGlass);
    if (m_bGlass) {
        ExtendGlassFrame(m_compositor, this, m_glassMargins);
    }
    update();
}

void CReelnookPlayerDlg::OnSysCommand(int command) {
    switch (command & kCommandMask) {
    case ids::kAboutCommand: {
        // Modal to the main window only, and without a nested event loop, so the player keeps
        // playing and a close of the program while the box is open finds nothing waiting.
        auto* about = new CAboutDlg(this);
        about->setAttribute(Qt::WA_DeleteOnClose);
        about->setWindowModality(Qt::WindowModal);
        about->open();
        break;
    }
    case kCommandMinimize:
        showMinimized();
        break;
    case kCommandClose:
        close();
        break;
    default:
        break;
    }
}

void CReelnookPlayerDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_systemMenu) {
        return;
    }
    const QPoint local = event->reason() == QContextMenuEvent::Mouse ? event->pos() : QPoint();
    m_systemMenu->popup(mapToGlobal(local));
}

void CReelnookPlayerDlg::keyPressEvent(QKeyEvent* event) {
    const bool shiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
    if (shiftF10 || event->key() == Qt::Key_Menu) {
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(), mapToGlobal(QPoint()));
        contextMenuEvent(&menuEvent);
        return;
    }
    QDialog::keyPressEvent(event);
}

void CReelnookPlayerDlg::paintEvent(QPaintEvent* event) {
    if (isMinimized()) {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        const QSize icon(32, 32);
        m_hIcon.paint(&painter, QRect(CenteredIconOrigin(rect().size(), icon), icon));
        return;
    }
    if (m_bGlass) {
        // Black is what the compositor turns into glass; the link, which has no background of
        // its own, shows it through. The control panel paints its own ordinary background.
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        return;
    }
    QDialog::paintEvent(event);
}

} // namespace kestrova
