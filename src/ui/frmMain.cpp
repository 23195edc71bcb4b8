#include "ui/frmMain.h"

#include "app/Defaults.h"
#include "app/Messages.h"
#include "ui/NoteNameTips.h"
#include "ui/TrainingProgress.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QValidator>

#include <algorithm>
#include <cmath>
#include <exception>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

// Relative luminance and contrast ratio as the accessibility guidelines define them.
double luminance(const QColor& colour) {
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// Disabled text still greyed, but readable: the style's text colour mixed with
// as much of the background as keeps a contrast of 4.5:1 on every background
// a disabled control has.
QPalette readableWhenDisabled(QPalette palette) {
    constexpr double Readable = 4.5;
    const QColor backgrounds[] = {palette.color(QPalette::Disabled, QPalette::Base),
                                  palette.color(QPalette::Disabled, QPalette::Window),
                                  palette.color(QPalette::Disabled, QPalette::Button)};
    for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        const QColor text = palette.color(QPalette::Active, role);
        const QColor background = palette.color(QPalette::Disabled, QPalette::Window);
        for (double share = 0.5; share >= 0.0; share -= 0.05) {
            const QColor mixed =
                QColor::fromRgbF(static_cast<float>(text.redF() * (1 - share) + background.redF() * share),
                                 static_cast<float>(text.greenF() * (1 - share) + background.greenF() * share),
                                 static_cast<float>(text.blueF() * (1 - share) + background.blueF() * share));
            if (std::all_of(std::begin(backgrounds), std::end(backgrounds),
                            [&](const QColor& b) { return contrast(mixed, b) >= Readable; }) ||
                share < 0.01) {
                palette.setColor(QPalette::Disabled, role, mixed);
                break;
            }
        }
    }
    return palette;
}

using platform::MessageIcon;

// Positions and sizes of the window's description are in twips; the window
// is drawn at 96 dots per inch, 15 twips to the pixel.
int px(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

QRect twipRect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

using app::MelodyPart;
namespace messages = app::messages;
namespace defaults = app::defaults;

// Limits what the user can type into a field without cutting a text that the
// program writes: a loaded network may have more input neurons than three
// typed characters can name, and its field must still show the whole count.
class TypingLimit : public QValidator {
public:
    TypingLimit(int length, QObject* parent) : QValidator(parent), length_(length) {}
    State validate(QString& input, int&) const override { return input.size() <= length_ ? Acceptable : Invalid; }

private:
    int length_;
};

void limitTyping(QLineEdit* field, int length) {
    field->setValidator(new TypingLimit(length, field));
}

QString digits(int64_t value) {
    return QString::number(value);
}

// Shows the wait cursor for the lifetime of the object.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

frmMain::frmMain(app::Session& session, platform::MessageBox& messages, platform::FileDialogs& dialogs,
                 platform::FileSystem& files, QWidget* parent)
    : QWidget(parent), session_(session), messages_(messages), dialogs_(dialogs), files_(files) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(windowCaption());
    setWindowIcon(windowIconImages());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(px(7950), px(5895));
    setFont(windowFont());

    buildControls();

    // A widget's own style does not pass to its children, so every control
    // gets the window's style; the window then looks the same in the
    // program and in the tests.
    style_ = QStyleFactory::create(QStringLiteral("Fusion"));
    if (style_) {
        style_->setParent(this);
        setStyle(style_);
        for (QWidget* child : findChildren<QWidget*>())
            child->setStyle(style_);
    }

    setPalette(readableWhenDisabled(palette()));
    truncationNotice_ = new QTimer(this);
    truncationNotice_->setObjectName(QStringLiteral("truncationNotice"));
    truncationNotice_->setSingleShot(true);
    truncationNotice_->setInterval(TruncationNoticeDelayMs);
    connect(truncationNotice_, &QTimer::timeout, this, &frmMain::TellTruncation);

    connectHandlers();
    Form_Load();
    Text1[0]->setFocus();
}

frmMain::~frmMain() = default;

QString frmMain::applicationTitle() {
    return QString::fromUtf8(messages::ApplicationTitle);
}

QString frmMain::windowCaption() {
    return QStringLiteral("Предсказание нот - Лабораторная работа по ЖБХ");
}

QFont frmMain::windowFont() {
    // The layout's fixed widths were made for a narrow font: the longest
    // captions ("Длительность ноты:", "Продолжить мелодию") only fit in a
    // condensed face at this size.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    font.setStretch(QFont::Condensed);
    return font;
}

QIcon frmMain::windowIconImages() {
    // A quaver on a blue tile, in a handful of flat colours so that it
    // stays clear at 16 pixels.
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap image(size, size);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        const double s = size / 16.0;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 128));
        painter.drawRect(QRectF(0, 0, size, size));
        painter.setBrush(QColor(255, 255, 0));
        painter.drawEllipse(QRectF(2 * s, 10 * s, 6 * s, 4.5 * s));
        painter.drawRect(QRectF(7 * s, 2 * s, 1.5 * s, 10 * s));
        painter.drawPolygon(QPolygonF(
            {QPointF(8.5 * s, 2 * s), QPointF(13 * s, 5 * s), QPointF(13 * s, 7.5 * s), QPointF(8.5 * s, 4.5 * s)}));
        painter.end();
        icon.addPixmap(image);
    }
    return icon;
}

void frmMain::buildControls() {
    auto frame = [this](const char* name, const char* caption, QRect geometry) {
        auto* box = new QGroupBox(QString::fromUtf8(caption), this);
        box->setObjectName(QString::fromUtf8(name));
        box->setGeometry(geometry);
        box->setFocusPolicy(Qt::NoFocus);
        return box;
    };
    auto button = [](QWidget* parent, const char* name, const char* caption, QRect geometry) {
        auto* b = new QPushButton(QString::fromUtf8(caption), parent);
        b->setObjectName(QString::fromUtf8(name));
        b->setGeometry(geometry);
        return b;
    };
    auto field = [](QWidget* parent, const char* name, std::string_view text, const char* toolTip, QRect geometry) {
        auto* f = new QLineEdit(fromView(text), parent);
        f->setObjectName(QString::fromUtf8(name));
        f->setGeometry(geometry);
        if (*toolTip)
            f->setToolTip(QString::fromUtf8(toolTip));
        return f;
    };
    auto label = [](QWidget* parent, const char* name, const char* caption, QRect geometry) {
        auto* l = new QLabel(QString::fromUtf8(caption), parent);
        l->setObjectName(QString::fromUtf8(name));
        l->setGeometry(geometry);
        l->setFocusPolicy(Qt::NoFocus);
        return l;
    };

    // Network control.
    Frame4 = frame("Frame4", "Управление нейронной сетью", twipRect(120, 120, 7695, 1215));
    Command5 = button(Frame4, "Command5", "Предсказать ноту", twipRect(240, 360, 1935, 255));
    Command8 = button(Frame4, "Command8", "Продолжить мелодию", twipRect(240, 720, 1935, 255));
    Text3 = field(Frame4, "Text3", defaults::LearnStep, "Шаг обучения", twipRect(2760, 360, 615, 285));
    Command4 = button(Frame4, "Command4", "Научить", twipRect(2760, 720, 1215, 255));
    Text4 = field(Frame4, "Text4", defaults::Iterations, "Итераций обучения", twipRect(3360, 360, 615, 285));
    txtInput =
        field(Frame4, "txtInput", defaults::InputCount, "Нейронов во входном слое", twipRect(4320, 360, 495, 285));
    limitTyping(txtInput, 3);
    txtHidden =
        field(Frame4, "txtHidden", defaults::HiddenCount, "Нейронов в скрытом слое", twipRect(4800, 360, 495, 285));
    limitTyping(txtHidden, 2);
    txtAlpha =
        field(Frame4, "txtAlpha", defaults::Alpha, "Постоянная в функции активации", twipRect(5280, 360, 495, 285));
    Command9 = button(Frame4, "Command9", "Создать новую", twipRect(4320, 720, 1455, 255));
    mnSave = button(Frame4, "mnSave", "Сохранить", twipRect(6120, 360, 1335, 255));
    mnOpen = button(Frame4, "mnOpen", "Загрузить", twipRect(6120, 720, 1335, 255));
    Frame4->installEventFilter(this);

    // Melody control.
    Frame3 = frame("Frame3", "Управление мелодией", twipRect(120, 1440, 7695, 1215));
    Label1 = label(Frame3, "Label1", "Длительность ноты:", twipRect(240, 360, 1560, 195));
    Text5 = field(Frame3, "Text5", defaults::NoteLength, "", twipRect(2040, 315, 615, 285));
    limitTyping(Text5, 2);
    Label2 = label(Frame3, "Label2", "Нот в продолжении:", twipRect(240, 720, 1530, 195));
    Text6 = field(Frame3, "Text6", defaults::ContinuationNotes, "", twipRect(2040, 690, 615, 285));
    limitTyping(Text6, 4);
    Label3 = label(Frame3, "Label3", "Пауза:", twipRect(3240, 360, 510, 195));
    Text7 = field(Frame3, "Text7", defaults::PauseLength, "", twipRect(3960, 315, 615, 285));
    limitTyping(Text7, 2);
    Command1 = button(Frame3, "Command1", "Играть всё", twipRect(3240, 720, 1335, 255));
    // Command1 is the window's default button: Enter presses it unless the
    // focus is on another button (see keyPressEvent).
    Command1->setDefault(true);
    Command2 = button(Frame3, "Command2", "Начало мелодии", twipRect(5280, 360, 2175, 255));
    Command3 = button(Frame3, "Command3", "Продолжение мелодии", twipRect(5280, 720, 2175, 255));

    // Beginning of the melody.
    Frame1 = frame("Frame1", "Начало мелодии", twipRect(120, 2760, 7695, 1455));
    Text1[0] = field(Frame1, "Text1(0)", defaults::Melody, "", twipRect(240, 360, 7215, 285));
    Text2[0] = field(Frame1, "Text2(0)", "", "", twipRect(240, 840, 7215, 285));
    Text2[0]->setEnabled(false);

    // Continuation of the melody.
    Frame2 = frame("Frame2", "Продолжение мелодии", twipRect(120, 4320, 7695, 1455));
    Text1[1] = field(Frame2, "Text1(1)", "", "", twipRect(240, 360, 7215, 285));
    Text1[1]->setReadOnly(true);
    new NoteNameTips({Text1[0], Text1[1]}, this);
    Text2[1] = field(Frame2, "Text2(1)", "", "", twipRect(240, 840, 7215, 285));
    Text2[1]->setEnabled(false);

    // Keyboard order of the controls that can take the focus; frames and
    // labels cannot.
    const std::vector<QWidget*> tabOrder = {Text1[0], Text2[0], Text2[1], Text1[1],  Command1, Text5,    Text6,
                                            Text7,    Command2, Command3, Command5,  Command4, mnSave,   mnOpen,
                                            Command8, Text3,    txtInput, txtHidden, txtAlpha, Command9, Text4};
    for (size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void frmMain::connectHandlers() {
    connect(Text1[0], &QLineEdit::textChanged, this, [this] { Text1_Change(0); });
    connect(Text1[1], &QLineEdit::textChanged, this, [this] { Text1_Change(1); });
    connect(Text5, &QLineEdit::textChanged, this, [this] { Text5_Change(); });
    connect(Text7, &QLineEdit::textChanged, this, [this] { Text7_Change(); });
    connect(txtInput, &QLineEdit::textChanged, this, [this] { txtInput_Change(); });
    connect(txtHidden, &QLineEdit::textChanged, this, [this] { txtHidden_Change(); });
    connect(txtAlpha, &QLineEdit::textChanged, this, [this] { txtAlpha_Change(); });
    connect(Text3, &QLineEdit::textChanged, this, [this] { Text3_Change(); });

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(Command9, &QPushButton::clicked, this, [this] { Command9_Click(); });
    connect(mnSave, &QPushButton::clicked, this, [this] { mnSave_Click(); });
    connect(mnOpen, &QPushButton::clicked, this, [this] { mnOpen_Click(); });
}

// ---------------------------------------------------------------- start-up

void frmMain::Form_Load() {
    // Every step absorbs its own failure: the session's start remembers a
    // History folder that cannot be made and reports it at the first play.
    session_.OnNetworkChanged([this](bool changed) { lockShape(!changed); });
    session_.PrepareHistory();
    session_.Start();
    session_.SetMelodyText(textOf(Text1[0]));
    Text5_Change();
    Text7_Change();
    txtAlpha_Change();
    txtHidden_Change();
    txtInput_Change();
    Text3_Change();
    SetNewNS(true);
}

void frmMain::Form_Click() {}

void frmMain::Frame4_DblClick() {
    Form_Click();
}

void frmMain::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Form_Click();
    QWidget::mouseReleaseEvent(event);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu && (watched == Text1[0] || watched == Text1[1]))
        return showFieldContextMenu(static_cast<QLineEdit*>(watched), static_cast<QContextMenuEvent*>(event));
    if (watched == Frame4 && event->type() == QEvent::MouseButtonDblClick)
        Frame4_DblClick();
    return QWidget::eventFilter(watched, event);
}

void frmMain::keyPressEvent(QKeyEvent* event) {
    // Fields pass Enter on to the window; buttons outside dialogs do too.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        QPushButton* target = focused ? focused : Command1;
        if (target->isEnabled())
            target->click();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------- melody

void frmMain::Text1_Change(int16_t Index) {
    // The continuation field is a display only.
    if (Index != 0)
        return;
    const app::MelodyParseInfo info = session_.SetMelodyText(textOf(Text1[0]));
    GenerateCmd(0);
    Text6->setText(digits(session_.defaultContinuationCount()));
    // Told once when a paste (or typing) takes the text past the buffer, not
    // at every keystroke while it stays there, and only once the typing
    // pauses, so that the box does not take the next keystrokes.
    if (info.truncated && !truncationTold_) {
        truncatedItems_ = info.items;
        truncationNotice_->start();
    } else if (!info.truncated) {
        truncationNotice_->stop();
        truncationTold_ = false;
    }
}

void frmMain::TellTruncation() {
    truncationTold_ = true;
    Tell(app::messages::MelodyTruncated(truncatedItems_), MessageIcon::Information);
}

void frmMain::Text5_Change() {
    session_.SetNoteLengthText(textOf(Text5));
    GenerateCmd(0);
    Text6->setText(digits(session_.defaultContinuationCount()));
}

void frmMain::Text7_Change() {
    session_.SetPauseLengthText(textOf(Text7));
    GenerateCmd(0);
    Text6->setText(digits(session_.defaultContinuationCount()));
}

void frmMain::GenerateCmd(int16_t Index) {
    if (Index != 0 && Index != 1)
        return;
    const MelodyPart part = Index == 0 ? MelodyPart::Beginning : MelodyPart::Continuation;
    Text2[static_cast<size_t>(Index)]->setText(QString::fromStdString(session_.CommandText(part)));
}

// ---------------------------------------------------------------- parameters

void frmMain::txtInput_Change() {
    const int32_t hidden = session_.SetInputCountText(textOf(txtInput));
    // Runs txtHidden_Change, which reads the same count back.
    txtHidden->setText(digits(hidden));
}

void frmMain::txtHidden_Change() {
    session_.SetHiddenCountText(textOf(txtHidden));
}

void frmMain::txtAlpha_Change() {
    session_.SetAlphaText(textOf(txtAlpha));
}

void frmMain::Text3_Change() {
    session_.SetLearnStepText(textOf(Text3));
}

void frmMain::SetNewNS(bool NNS) {
    session_.SetNetworkChanged(NNS);
}

void frmMain::lockShape(bool locked) {
    txtInput->setEnabled(!locked);
    txtHidden->setEnabled(!locked);
    txtAlpha->setEnabled(!locked);
}

// ---------------------------------------------------------------- commands

void frmMain::Command9_Click() {
    session_.NewNetwork();
}

void frmMain::Command1_Click() {
    Play(MelodyPart::Whole);
}

void frmMain::Command2_Click() {
    Play(MelodyPart::Beginning);
}

void frmMain::Command3_Click() {
    Play(MelodyPart::Continuation);
}

void frmMain::Play(MelodyPart part) {
    // The player plays on its own; only a failure soon after its start comes back here.
    const auto ended = [window = QPointer<frmMain>(this)](const app::Failure& failure) {
        if (window)
            window->Tell(messages::Text(failure), MessageIcon::Warning);
    };
    const app::Failure failure = session_.Play(part, ended).failure;
    if (failure)
        Tell(messages::Text(failure),
             failure.problem == app::Problem::HistoryFull ? MessageIcon::None : MessageIcon::Warning);
}

bool frmMain::reported(const app::Failure& failure) {
    if (!failure)
        return true;
    Tell(messages::Text(failure), MessageIcon::Warning);
    return false;
}

std::array<QWidget*, 8> frmMain::trainingControls() const {
    return {Text3, Text4, Command4, Command9, Command5, Command8, mnSave, mnOpen};
}

void frmMain::Command4_Click() {
    // The network is built before the controls are locked, as a click that
    // cannot build one changes nothing else.
    if (!reported(session_.EnsureNetwork()))
        return;

    app::TrainingResult result;
    {
        BusyCursor busy;
        for (QWidget* control : trainingControls())
            control->setEnabled(false);
        QCoreApplication::processEvents();
        const int32_t iterations = session_.CountOf(textOf(Text4));
        app::TrainingControl control;
        TrainingProgress progress(this, control, iterations);
        connect(&progress, &TrainingProgress::dialogCreated, this, &frmMain::trainingDialogCreated);
        result = session_.Train(iterations, &control, [&progress](const auto& work) { progress.run(work); });
        QCoreApplication::processEvents();
        for (QWidget* control : trainingControls())
            control->setEnabled(true);
    }

    if (result.report.diverged)
        Tell(messages::Diverged, MessageIcon::Warning);
    if (result.firstClick)
        Tell(messages::TrainingAdvice, MessageIcon::Information);
}

void frmMain::Command5_Click() {
    if (!session_.trained())
        Tell(messages::Untrained, MessageIcon::Warning);
    const app::PredictionResult result = session_.Predict();
    if (reported(result.failure))
        Tell(std::to_string(result.code), MessageIcon::None);
}

void frmMain::Command8_Click() {
    continueMelody(false);
}

void frmMain::ContinueInMelodyNotes() {
    continueMelody(true);
}

void frmMain::continueMelody(bool melodyNotes) {
    if (!session_.trained())
        Tell(messages::Untrained, MessageIcon::Warning);
    const app::ContinuationResult result = session_.Continue(session_.CountOf(textOf(Text6)), melodyNotes);
    if (!reported(result.failure))
        return;
    Text1[1]->setText(
        QString::fromStdString(CodeListText(result.codes.data(), static_cast<int32_t>(result.codes.size()))));
    GenerateCmd(1);
    if (result.shortened)
        Tell(messages::ContinuationShortened(static_cast<int32_t>(result.codes.size())), MessageIcon::Information);
}

void frmMain::mnSave_Click() {
    platform::FileDialogOptions options;
    options.title = messages::SaveNetworkTitle;
    options.filters = {{messages::NetworkFilter, messages::NetworkPattern}};
    options.initialFolder = files_.currentFolder();
    options.overwritePrompt = true;
    const std::optional<std::string> chosen = dialogs_.saveFile(options);
    if (!chosen)
        return;
    const std::string path = app::Session::SavePath(*chosen);
    // The dialog asked about the name without the extension; the file that
    // is really replaced deserves its own question.
    if (path != *chosen && files_.exists(path) && !messages_.ask(messages::ReplaceExisting(path)))
        return;
    reported(session_.Save(path).failure);
}

void frmMain::mnOpen_Click() {
    platform::FileDialogOptions options;
    options.title = messages::LoadNetworkTitle;
    options.filters = {{messages::NetworkFilter, messages::NetworkPattern}, {messages::AllFilesFilter, "*.*"}};
    options.initialFolder = files_.currentFolder();
    options.mustExist = true;
    const std::optional<std::string> chosen = dialogs_.openFile(options);
    if (!chosen)
        return;
    const app::LoadResult result = session_.Load(*chosen);
    if (!reported(result.failure))
        return;

    // The session holds the loaded values already; the fields only show them.
    const QSignalBlocker step(Text3), alpha(txtAlpha), input(txtInput), hidden(txtHidden);
    Text3->setText(QString::fromStdString(session_.LocaleText(result.network.LearnStep)));
    txtAlpha->setText(QString::fromStdString(session_.LocaleText(result.network.Alpha)));
    txtInput->setText(digits(result.network.InputCount));
    txtHidden->setText(digits(result.network.HiddenCount));
}

// ---------------------------------------------------------------- helpers

void frmMain::Tell(const std::string& text, MessageIcon icon) {
    messages_.show(text, icon);
}

std::string frmMain::textOf(const QLineEdit* field) {
    return field->text().toStdString();
}

// ---------------------------------------------------------------- context menu

void frmMain::addContextAction(QAction* action) {
    if (contextActions_.empty())
        for (QLineEdit* field : Text1)
            field->installEventFilter(this);
    contextActions_.push_back(action);
    addAction(action);
}

void frmMain::ShowMelody(const std::string& text) {
    // As if typed over the whole field: the change handling runs and Ctrl+Z brings the old text back.
    Text1[0]->selectAll();
    Text1[0]->insert(QString::fromStdString(text));
}

int32_t frmMain::trainingIterations() const {
    return session_.CountOf(textOf(Text4));
}

void frmMain::contextMenuEvent(QContextMenuEvent* event) {
    if (contextActions_.empty()) {
        event->ignore();
        return;
    }
    QMenu menu(this);
    for (QAction* action : contextActions_)
        menu.addAction(action);
    menu.exec(event->globalPos());
}

bool frmMain::showFieldContextMenu(QLineEdit* field, QContextMenuEvent* event) {
    // The field's own editing entries stay first.
    const std::unique_ptr<QMenu> menu(field->createStandardContextMenu());
    menu->addSeparator();
    for (QAction* action : contextActions_)
        menu->addAction(action);
    menu->exec(event->globalPos());
    return true;
}
