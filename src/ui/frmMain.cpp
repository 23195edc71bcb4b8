#include "ui/frmMain.h"

#include "app/Defaults.h"
#include "app/Messages.h"
#include "ui/NoteNameTips.h"
#include "ui/TrainingProgress.h"
#include "ui/WindowIcon.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QValidator>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
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

// The window's own size in twips.
constexpr int WindowWidth = 7950;
constexpr int WindowHeight = 5895;

enum class Kind { Frame, Label, Field, Button };

// One control of the window's description: its name, kind and the frame it
// sits in (none: the window), its caption or first text and tool tip, the
// most characters typing may enter (0: no limit), and its place in twips.
struct ControlRow {
    const char* name;
    Kind kind;
    const char* frame;
    std::string_view text;
    const char* toolTip;
    int typing;
    int left, top, width, height;
};

namespace defaults = app::defaults;

// The window's controls in the order they are made, each frame before the
// controls inside it. Text3 and Text4 overlap by a pixel: Text4, made later,
// is drawn over Text3.
constexpr ControlRow Layout[] = {
    // Network control.
    {"Frame4", Kind::Frame, nullptr, "Управление нейронной сетью", "", 0, 120, 120, 7695, 1215},
    {"Command5", Kind::Button, "Frame4", "Предсказать ноту", "", 0, 240, 360, 1935, 255},
    {"Command8", Kind::Button, "Frame4", "Продолжить мелодию", "", 0, 240, 720, 1935, 255},
    {"Text3", Kind::Field, "Frame4", defaults::LearnStep, "Шаг обучения", 0, 2760, 360, 615, 285},
    {"Command4", Kind::Button, "Frame4", "Научить", "", 0, 2760, 720, 1215, 255},
    {"Text4", Kind::Field, "Frame4", defaults::Iterations, "Итераций обучения", 0, 3360, 360, 615, 285},
    {"txtInput", Kind::Field, "Frame4", defaults::InputCount, "Нейронов во входном слое", 3, 4320, 360, 495, 285},
    {"txtHidden", Kind::Field, "Frame4", defaults::HiddenCount, "Нейронов в скрытом слое", 2, 4800, 360, 495, 285},
    {"txtAlpha", Kind::Field, "Frame4", defaults::Alpha, "Постоянная в функции активации", 0, 5280, 360, 495, 285},
    {"Command9", Kind::Button, "Frame4", "Создать новую", "", 0, 4320, 720, 1455, 255},
    {"mnSave", Kind::Button, "Frame4", "Сохранить", "", 0, 6120, 360, 1335, 255},
    {"mnOpen", Kind::Button, "Frame4", "Загрузить", "", 0, 6120, 720, 1335, 255},
    // Melody control.
    {"Frame3", Kind::Frame, nullptr, "Управление мелодией", "", 0, 120, 1440, 7695, 1215},
    {"Label1", Kind::Label, "Frame3", "Длительность ноты:", "", 0, 240, 360, 1560, 195},
    {"Text5", Kind::Field, "Frame3", defaults::NoteLength, "", 2, 2040, 315, 615, 285},
    {"Label2", Kind::Label, "Frame3", "Нот в продолжении:", "", 0, 240, 720, 1530, 195},
    {"Text6", Kind::Field, "Frame3", defaults::ContinuationNotes, "", 4, 2040, 690, 615, 285},
    {"Label3", Kind::Label, "Frame3", "Пауза:", "", 0, 3240, 360, 510, 195},
    {"Text7", Kind::Field, "Frame3", defaults::PauseLength, "", 2, 3960, 315, 615, 285},
    {"Command1", Kind::Button, "Frame3", "Играть всё", "", 0, 3240, 720, 1335, 255},
    {"Command2", Kind::Button, "Frame3", "Начало мелодии", "", 0, 5280, 360, 2175, 255},
    {"Command3", Kind::Button, "Frame3", "Продолжение мелодии", "", 0, 5280, 720, 2175, 255},
    // Beginning of the melody.
    {"Frame1", Kind::Frame, nullptr, "Начало мелодии", "", 0, 120, 2760, 7695, 1455},
    {"Text1(0)", Kind::Field, "Frame1", defaults::Melody, "", 0, 240, 360, 7215, 285},
    {"Text2(0)", Kind::Field, "Frame1", "", "", 0, 240, 840, 7215, 285},
    // Continuation of the melody.
    {"Frame2", Kind::Frame, nullptr, "Продолжение мелодии", "", 0, 120, 4320, 7695, 1455},
    {"Text1(1)", Kind::Field, "Frame2", "", "", 0, 240, 360, 7215, 285},
    {"Text2(1)", Kind::Field, "Frame2", "", "", 0, 240, 840, 7215, 285},
};

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

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Makes the control of a row inside `parent`.
void makeControl(const ControlRow& row, QWidget* parent) {
    const QString text = fromView(row.text);
    QWidget* control = nullptr;
    switch (row.kind) {
    case Kind::Frame:
        control = new QGroupBox(text, parent);
        break;
    case Kind::Label:
        control = new QLabel(text, parent);
        break;
    case Kind::Button:
        control = new QPushButton(text, parent);
        break;
    case Kind::Field:
        control = new QLineEdit(text, parent);
        if (row.typing > 0)
            static_cast<QLineEdit*>(control)->setValidator(new TypingLimit(row.typing, control));
        break;
    }
    control->setObjectName(QString::fromLatin1(row.name));
    control->setGeometry(px(row.left), px(row.top), px(row.width), px(row.height));
    if (row.kind == Kind::Frame || row.kind == Kind::Label)
        control->setFocusPolicy(Qt::NoFocus);
    if (*row.toolTip)
        control->setToolTip(QString::fromUtf8(row.toolTip));
}

using app::MelodyPart;
namespace messages = app::messages;

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

} // namespace

frmMain::frmMain(app::Session& session, platform::MessageBox& messages, platform::FileDialogs& dialogs,
                 platform::FileSystem& files, QWidget* parent)
    : QWidget(parent), session_(session), messages_(messages), dialogs_(dialogs), files_(files) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(windowCaption());
    setWindowIcon(WindowIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(px(WindowWidth), px(WindowHeight));
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

template <typename T>
T* frmMain::control(const char* name) const {
    return findChild<T*>(QString::fromLatin1(name));
}

void frmMain::buildControls() {
    for (const ControlRow& row : Layout)
        makeControl(row, row.frame ? control<QGroupBox>(row.frame) : static_cast<QWidget*>(this));

    Command1 = control<QPushButton>("Command1");
    Command2 = control<QPushButton>("Command2");
    Command3 = control<QPushButton>("Command3");
    Command4 = control<QPushButton>("Command4");
    Command5 = control<QPushButton>("Command5");
    Command8 = control<QPushButton>("Command8");
    Command9 = control<QPushButton>("Command9");
    mnSave = control<QPushButton>("mnSave");
    mnOpen = control<QPushButton>("mnOpen");
    Text1 = {control<QLineEdit>("Text1(0)"), control<QLineEdit>("Text1(1)")};
    Text2 = {control<QLineEdit>("Text2(0)"), control<QLineEdit>("Text2(1)")};
    Text3 = control<QLineEdit>("Text3");
    Text4 = control<QLineEdit>("Text4");
    Text5 = control<QLineEdit>("Text5");
    Text6 = control<QLineEdit>("Text6");
    Text7 = control<QLineEdit>("Text7");
    txtInput = control<QLineEdit>("txtInput");
    txtHidden = control<QLineEdit>("txtHidden");
    txtAlpha = control<QLineEdit>("txtAlpha");

    // Command1 is the window's default button: Enter presses it unless the
    // focus is on another button (see keyPressEvent).
    Command1->setDefault(true);
    Text2[0]->setEnabled(false);
    Text2[1]->setEnabled(false);
    Text1[1]->setReadOnly(true);
    new NoteNameTips({Text1[0], Text1[1]}, this);

    // Keyboard order of the controls that can take the focus; frames and
    // labels cannot.
    const std::vector<QWidget*> tabOrder = {Text1[0], Text2[0], Text2[1], Text1[1],  Command1, Text5,    Text6,
                                            Text7,    Command2, Command3, Command5,  Command4, mnSave,   mnOpen,
                                            Command8, Text3,    txtInput, txtHidden, txtAlpha, Command9, Text4};
    for (size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void frmMain::connectHandlers() {
    connect(Text1[0], &QLineEdit::textChanged, this, [this] { Text1_Change(); });
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

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu && (watched == Text1[0] || watched == Text1[1]))
        return showFieldContextMenu(static_cast<QLineEdit*>(watched), static_cast<QContextMenuEvent*>(event));
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

void frmMain::Text1_Change() {
    const app::MelodyParseInfo info = session_.SetMelodyText(textOf(Text1[0]));
    showBeginning();
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
    showBeginning();
}

void frmMain::Text7_Change() {
    session_.SetPauseLengthText(textOf(Text7));
    showBeginning();
}

void frmMain::showBeginning() {
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
    Text1[1]->setText(QString::fromStdString(result.text));
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
