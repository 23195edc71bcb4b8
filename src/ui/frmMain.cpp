#include "ui/frmMain.h"

#include "engine/NumberText.h"
#include "engine/Prediction.h"
#include "engine/Training.h"
#include "melody/CommandFiles.h"
#include "melody/CommandText.h"
#include "melody/MelodyText.h"
#include "storage/NetworkFile.h"

#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QValidator>

#include <cmath>
#include <exception>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

using platform::MessageIcon;

// Positions and sizes of the window's description are in twips; the window
// is drawn at 96 dots per inch, 15 twips to the pixel.
int px(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

QRect twipRect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

const char* const InitialMelody = "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10";
const char* const UntrainedWarning = "Нейронная сеть не обучена.";
const char* const TrainingAdvice = "Рекомендуется выполнять операцию многократно, пока не будет достигнут результат.";
const char* const NetworkFilter = "Музыкальная нейронная сеть";
const char* const NetworkPattern = "*.qvl";

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

// Largest k with 2^k <= count (count >= 1), without floating point so that
// powers of two give their exact exponent.
int32_t floorLog2(int32_t count) {
    int32_t k = 0;
    for (uint32_t rest = static_cast<uint32_t>(count); rest > 1; rest >>= 1)
        ++k;
    return k;
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

// Runs one step of the start-up; its failure must not stop the next step.
template <typename Step>
void absorb(Step&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

} // namespace

frmMain::frmMain(mdMain& state, platform::MessageBox& messages, platform::FileDialogs& dialogs,
                 platform::ProcessStarter& starter, platform::FileSystem& files, const platform::LocaleNumbers& locale,
                 QWidget* parent)
    : QWidget(parent), state_(state), messages_(messages), dialogs_(dialogs), starter_(starter), files_(files),
      locale_(locale) {
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

    connectHandlers();
    Form_Load();
    Text1[0]->setFocus();
}

frmMain::~frmMain() = default;

QString frmMain::applicationTitle() {
    return QStringLiteral("Предсказание нот");
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
    auto field = [](QWidget* parent, const char* name, const char* text, const char* toolTip, QRect geometry) {
        auto* f = new QLineEdit(QString::fromUtf8(text), parent);
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
    Text3 = field(Frame4, "Text3", "1", "Шаг обучения", twipRect(2760, 360, 615, 285));
    Command4 = button(Frame4, "Command4", "Научить", twipRect(2760, 720, 1215, 255));
    Text4 = field(Frame4, "Text4", "10000", "Итераций обучения", twipRect(3360, 360, 615, 285));
    txtInput = field(Frame4, "txtInput", "8", "Нейронов во входном слое", twipRect(4320, 360, 495, 285));
    limitTyping(txtInput, 3);
    txtHidden = field(Frame4, "txtHidden", "2", "Нейронов в скрытом слое", twipRect(4800, 360, 495, 285));
    limitTyping(txtHidden, 2);
    txtAlpha = field(Frame4, "txtAlpha", "1", "Постоянная в функции активации", twipRect(5280, 360, 495, 285));
    Command9 = button(Frame4, "Command9", "Создать новую", twipRect(4320, 720, 1455, 255));
    mnSave = button(Frame4, "mnSave", "Сохранить", twipRect(6120, 360, 1335, 255));
    mnOpen = button(Frame4, "mnOpen", "Загрузить", twipRect(6120, 720, 1335, 255));
    Frame4->installEventFilter(this);

    // Melody control.
    Frame3 = frame("Frame3", "Управление мелодией", twipRect(120, 1440, 7695, 1215));
    Label1 = label(Frame3, "Label1", "Длительность ноты:", twipRect(240, 360, 1560, 195));
    Text5 = field(Frame3, "Text5", "8", "", twipRect(2040, 315, 615, 285));
    limitTyping(Text5, 2);
    Label2 = label(Frame3, "Label2", "Нот в продолжении:", twipRect(240, 720, 1530, 195));
    Text6 = field(Frame3, "Text6", "8", "", twipRect(2040, 690, 615, 285));
    limitTyping(Text6, 4);
    Label3 = label(Frame3, "Label3", "Пауза:", twipRect(3240, 360, 510, 195));
    Text7 = field(Frame3, "Text7", "8", "", twipRect(3960, 315, 615, 285));
    limitTyping(Text7, 2);
    Command1 = button(Frame3, "Command1", "Играть всё", twipRect(3240, 720, 1335, 255));
    // Command1 is the window's default button: Enter presses it unless the
    // focus is on another button (see keyPressEvent).
    Command1->setDefault(true);
    Command2 = button(Frame3, "Command2", "Начало мелодии", twipRect(5280, 360, 2175, 255));
    Command3 = button(Frame3, "Command3", "Продолжение мелодии", twipRect(5280, 720, 2175, 255));

    // Beginning of the melody.
    Frame1 = frame("Frame1", "Начало мелодии", twipRect(120, 2760, 7695, 1455));
    Text1[0] = field(Frame1, "Text1(0)", InitialMelody, "", twipRect(240, 360, 7215, 285));
    Text2[0] = field(Frame1, "Text2(0)", "", "", twipRect(240, 840, 7215, 285));
    Text2[0]->setEnabled(false);

    // Continuation of the melody.
    Frame2 = frame("Frame2", "Продолжение мелодии", twipRect(120, 4320, 7695, 1455));
    Text1[1] = field(Frame2, "Text1(1)", "", "", twipRect(240, 360, 7215, 285));
    Text1[1]->setReadOnly(true);
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
    absorb([this] {
        if (auto folder = ChooseHistoryFolder(files_, files_.programFolder()))
            historyFolder_ = *folder;
    });
    absorb([this] { Text5_Change(); });
    absorb([this] { Text7_Change(); });
    absorb([this] { txtAlpha_Change(); });
    absorb([this] { txtHidden_Change(); });
    absorb([this] { txtInput_Change(); });
    absorb([this] { Text3_Change(); });
    absorb([this] { SetNewNS(true); });
    absorb([this] { state_.CreateOutNeuron(); });
    state_.ContLen = 0;
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
    ParseMelody(state_, textOf(Text1[0]));
    GenerateCmd(0, state_.MelodyLen + 1);
    Text6->setText(digits(int64_t{state_.MelodyLen} + 1));
}

void frmMain::Text5_Change() {
    state_.NoteLen = LengthFieldValue(textOf(Text5));
    Text1_Change(0);
}

void frmMain::Text7_Change() {
    state_.PauseLen = LengthFieldValue(textOf(Text7));
    Text1_Change(0);
}

void frmMain::GenerateCmd(int16_t Index, int32_t Notes) {
    if (Index != 0 && Index != 1)
        return;
    Text2[static_cast<size_t>(Index)]->setText(QString::fromStdString(CommandText(state_, Index, Notes)));
}

// ---------------------------------------------------------------- parameters

void frmMain::txtInput_Change() {
    state_.InputCount = RoundToInt32(numberOf(txtInput));
    if (state_.InputCount < 2)
        state_.InputCount = 2;
    state_.HiddenCount = floorLog2(state_.InputCount);
    // Runs txtHidden_Change, which reads the same count back.
    txtHidden->setText(digits(state_.HiddenCount));
}

void frmMain::txtHidden_Change() {
    state_.HiddenCount = RoundToInt32(numberOf(txtHidden));
    if (state_.HiddenCount < 1)
        state_.HiddenCount = 1;
}

void frmMain::txtAlpha_Change() {
    state_.Alpha = numberOf(txtAlpha);
}

void frmMain::Text3_Change() {
    state_.LearnStep = numberOf(Text3);
}

void frmMain::SetNewNS(bool NNS) {
    state_.NSChanged = NNS;
    txtInput->setEnabled(NNS);
    txtHidden->setEnabled(NNS);
    txtAlpha->setEnabled(NNS);
}

// ---------------------------------------------------------------- commands

void frmMain::Command9_Click() {
    SetNewNS(true);
    NSTrained_ = false;
}

void frmMain::Command1_Click() {
    Play(textOf(Text2[0]) + " " + textOf(Text2[1]));
}

void frmMain::Command2_Click() {
    Play(textOf(Text2[0]));
}

void frmMain::Command3_Click() {
    Play(textOf(Text2[1]));
}

void frmMain::Play(const std::string& text) {
    CommandPlayer player(files_, starter_, files_.programFolder());
    const PlayResult result = player.PlayCmd(text);
    const std::string message = PlayResultMessage(result);
    if (message.empty())
        return;
    Tell(message, result.status == PlayResult::Status::HistoryFull ? MessageIcon::None : MessageIcon::Warning);
}

bool frmMain::EnsureNetwork() {
    if (!state_.NSChanged)
        return true;
    if (auto problem = state_.ShapeProblem()) {
        Tell(*problem + "\nИзмените число нейронов и повторите команду.", MessageIcon::Warning);
        return false;
    }
    SetNewNS(false);
    try {
        state_.CreateNS();
    } catch (const std::bad_alloc&) {
        SetNewNS(true);
        Tell("Для нейронной сети такого размера не хватает памяти.", MessageIcon::Warning);
        return false;
    } catch (const std::exception& e) {
        // The old network is gone or incomplete: the next command builds again.
        SetNewNS(true);
        Tell(std::string("Не удалось построить нейронную сеть: ") + e.what(), MessageIcon::Warning);
        return false;
    }
    return true;
}

void frmMain::WarnIfUntrained() {
    if (!NSTrained_)
        Tell(UntrainedWarning, MessageIcon::Warning);
}

std::array<QWidget*, 8> frmMain::trainingControls() const {
    return {Text3, Text4, Command4, Command9, Command5, Command8, mnSave, mnOpen};
}

void frmMain::Command4_Click() {
    if (!EnsureNetwork())
        return;

    MelodyTrainingOutcome outcome;
    {
        BusyCursor busy;
        for (QWidget* control : trainingControls())
            control->setEnabled(false);
        QCoreApplication::processEvents();
        const int32_t iterations = RoundToInt32(numberOf(Text4));
        outcome = TrainMelody(state_, iterations);
        QCoreApplication::processEvents();
        for (QWidget* control : trainingControls())
            control->setEnabled(true);
    }

    if (outcome.diverged)
        Tell("Обучение остановлено досрочно: следующий шаг сделал бы веса сети бесконечными. "
             "Уменьшите шаг обучения или постоянную в функции активации.",
             MessageIcon::Warning);
    if (!NSTrained_) {
        Tell(TrainingAdvice, MessageIcon::Information);
        NSTrained_ = true;
    }
}

void frmMain::Command5_Click() {
    WarnIfUntrained();
    if (!EnsureNetwork())
        return;
    const uint8_t code = PredictNote(state_);
    Tell(std::to_string(code), MessageIcon::None);
}

void frmMain::Command8_Click() {
    WarnIfUntrained();
    const int32_t count = RoundToInt32(numberOf(Text6));
    if (!EnsureNetwork())
        return;
    Text1[1]->setText(QString());
    const std::vector<uint8_t> codes = ContinueMelody(state_, count);
    Text1[1]->setText(QString::fromStdString(CodeListText(codes.data(), static_cast<int32_t>(codes.size()))));
    GenerateCmd(1, state_.ContLen);
    if (count > state_.ContLen)
        Tell("Мелодия вмещает не более " + std::to_string(mdMain::MelodyCapacity) +
                 " нот вместе с продолжением, поэтому продолжение укорочено до " + std::to_string(state_.ContLen) +
                 " нот.",
             MessageIcon::Information);
}

void frmMain::mnSave_Click() {
    platform::FileDialogOptions options;
    options.title = "Сохранение нейронной сети";
    options.filters = {{NetworkFilter, NetworkPattern}};
    options.initialFolder = files_.currentFolder();
    options.overwritePrompt = true;
    const std::optional<std::string> chosen = dialogs_.saveFile(options);
    if (!chosen)
        return;
    const std::string path = WithNetworkExtension(*chosen);
    // The dialog asked about the name without the extension; the file that
    // is really replaced deserves its own question.
    if (path != *chosen && files_.exists(path) && !messages_.ask("Файл «" + path + "» уже существует.\nЗаменить его?"))
        return;

    if (!EnsureNetwork())
        return;
    std::string error;
    if (!SaveNetworkFile(files_, path, state_, error))
        Tell("Не удалось сохранить нейронную сеть в файл «" + path + "»: " + error, MessageIcon::Warning);
}

void frmMain::mnOpen_Click() {
    platform::FileDialogOptions options;
    options.title = "Загрузка нейронной сети";
    options.filters = {{NetworkFilter, NetworkPattern}, {"Все файлы", "*.*"}};
    options.initialFolder = files_.currentFolder();
    options.mustExist = true;
    const std::optional<std::string> chosen = dialogs_.openFile(options);
    if (!chosen)
        return;

    const NetworkFileReading reading = ReadNetworkFileAt(files_, *chosen);
    if (!reading.network) {
        const std::string reason = reading.errorLine > 0 ? reading.message() : reading.errorReason;
        Tell("Не удалось загрузить нейронную сеть из файла «" + *chosen + "».\n" + reason, MessageIcon::Warning);
        return;
    }
    const NetworkFile& network = *reading.network;
    const std::optional<std::string> problem = NetworkFileProblem(network);
    if (problem) {
        Tell("Не удалось загрузить нейронную сеть из файла «" + *chosen + "»: " + *problem, MessageIcon::Warning);
        return;
    }

    const bool wasChanged = state_.NSChanged;
    SetNewNS(false);
    try {
        ApplyNetworkFile(state_, network);
    } catch (const std::invalid_argument& e) {
        // Nothing was applied: the network and its flag stay as they were.
        SetNewNS(wasChanged);
        Tell("Не удалось загрузить нейронную сеть из файла «" + *chosen + "»: " + e.what(), MessageIcon::Warning);
        return;
    } catch (const std::bad_alloc&) {
        SetNewNS(state_.NSChanged);
        Tell("Для нейронной сети из файла не хватает памяти.", MessageIcon::Warning);
        return;
    } catch (const std::exception& e) {
        SetNewNS(state_.NSChanged);
        Tell("Не удалось загрузить нейронную сеть из файла «" + *chosen + "»: " + e.what(), MessageIcon::Warning);
        return;
    }

    // The input field's handling proposes its own hidden count on the way,
    // so the file's count is written last.
    Text3->setText(QString::fromStdString(locale_.toText(network.LearnStep)));
    txtAlpha->setText(QString::fromStdString(locale_.toText(network.Alpha)));
    txtInput->setText(digits(network.InputCount));
    txtHidden->setText(digits(network.HiddenCount));
    NSTrained_ = true;
}

// ---------------------------------------------------------------- helpers

void frmMain::Tell(const std::string& text, MessageIcon icon) {
    messages_.show(text, icon);
}

std::string frmMain::textOf(const QLineEdit* field) {
    return field->text().toStdString();
}

double frmMain::numberOf(const QLineEdit* field) const {
    return StrToDbl(textOf(field), locale_);
}
