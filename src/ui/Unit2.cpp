#include "ui/Unit2.h"

#include <QAction>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "maintenance/RegisterCopy.h"
#include "register/Clock.h"
#include "session/DeleteRecords.h"
#include "session/NextClass.h"
#include "session/RegisterList.h"
#include "session/SaveRecord.h"
#include "session/ServiceInfoRow.h"
#include "session/ShownListExport.h"
#include "session/Session.h"
#include "ui/EditFieldFilters.h"
#include "ui/RegisterListModel.h"
#include "ui/SortArrowHeader.h"
#include "ui/Unit3.h"

namespace vrklad {
namespace {

constexpr int kClientWidth = 1031;
constexpr int kClientHeight = 691;
constexpr int kMaxIssuerLength = 255;

const char* const kSeriesNumerals[] = {"",    "00",   "I",  "II", "III", "IV", "V", "VI",
                                       "VII", "VIII", "IX", "X",  "XI",  "LV", "LI"};

const char* const kDocumentTypes[] = {"Паспорт", "Загран. паспорт", "Удостоверение",
                                      "Свидетельство", "Паспорт ин. гр."};

QString Utf8(const std::string& text) { return QString::fromStdString(text); }
std::string Std(const QString& text) { return text.toStdString(); }

QDate ToQDate(RecordDate d) { return QDate(d.year, d.month, d.day); }
RecordDate ToRecordDate(QDate d) {
    return {static_cast<uint16_t>(d.year()), static_cast<uint8_t>(d.month()),
            static_cast<uint8_t>(d.day())};
}
QDate TodayDate() { return ToQDate(Today()); }

// A stored date the picker can show.
bool Showable(RecordDate d, const QDateEdit* picker) {
    if (!IsValidDate(d.year, d.month, d.day)) return false;
    const QDate date = ToQDate(d);
    return date >= picker->minimumDate() && date <= picker->maximumDate();
}

QDateEdit* NewDatePicker(const char* objectName, QWidget* parent) {
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(QString::fromLatin1(objectName));
    picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    picker->setCalendarPopup(true);
    picker->setMinimumDate(QDate(100, 1, 1));
    return picker;
}

QPushButton* NewButton(const char* objectName, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAutoDefault(false);
    return button;
}

QLabel* NewLabel(const QString& text, QWidget* parent) { return new QLabel(text, parent); }

// The digits of the masked SNILS field without its separators: a blank
// inside reads as a space, blanks at the end are dropped.
QString SnilsText(const QLineEdit* field) {
    const QString shown = field->displayText();
    QString digits;
    for (int i = 0; i < shown.size(); ++i) {
        const QChar c = shown.at(i);
        if (c == QLatin1Char('-')) continue;
        digits += c == QLatin1Char('_') ? QLatin1Char(' ') : c;
    }
    while (digits.endsWith(QLatin1Char(' '))) digits.chop(1);
    return digits;
}

}  // namespace

TForm2::TForm2(Session& session, Operator& op, TForm3* form3, QWidget* parent)
    : QDialog(parent), m_session(session), m_op(op), m_form3(form3) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Коррекция записей"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);
    if (m_form3 == nullptr) m_form3 = new TForm3(this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(CreateListSide());
    layout->addWidget(CreateEditPanel(), 1);

    m_timerLoad = new QTimer(this);
    m_timerLoad->setObjectName(QStringLiteral("TimerLoad"));
    m_timerLoad->setInterval(250);
    m_timerLoad->setSingleShot(true);
    connect(m_timerLoad, &QTimer::timeout, this, &TForm2::TimerLoadTimer);

    // Nobody born in the last six years goes to school.
    m_dateBirth->setMaximumDate(QDate(Today().year - 6, 12, 31));
    const bool district = m_session.Config().DistrictMode == 1;
    m_exportRegisterCopy->setVisible(district);
    m_labelOrg->setVisible(district);
    m_sComboBox1->setVisible(district);

    SetFormMode(fmView);
}

TForm2::~TForm2() = default;

QLineEdit* TForm2::NewEdit(const char* objectName, int maxLength) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(objectName));
    if (maxLength > 0) edit->setMaxLength(maxLength);
    return edit;
}

QWidget* TForm2::CreateListSide() {
    m_listSide = new QWidget(this);
    m_listSide->setObjectName(QStringLiteral("PanelList"));
    m_listSide->setFixedWidth(668);
    auto* layout = new QVBoxLayout(m_listSide);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* top = new QHBoxLayout;
    m_buttonFilter = new QToolButton(m_listSide);
    m_buttonFilter->setObjectName(QStringLiteral("ButtonFilter"));
    m_buttonFilter->setText(QStringLiteral("Фильтр по организации"));
    m_buttonFilter->setPopupMode(QToolButton::InstantPopup);
    m_filterMenu = new QMenu(m_buttonFilter);
    m_filterMenu->setObjectName(QStringLiteral("PopupMenuFilter"));
    m_filterAll = m_filterMenu->addAction(QStringLiteral("Снять все"));
    m_filterAll->setObjectName(QStringLiteral("N_FilterAll"));
    m_filterAll->setCheckable(true);
    m_filterAll->setChecked(true);
    connect(m_filterAll, &QAction::triggered, this, &TForm2::FilterAllClick);
    m_filterMenu->addSeparator();
    m_buttonFilter->setMenu(m_filterMenu);
    m_sEdit1 = NewEdit("sEdit1", 0);
    m_buttonFind = NewButton("ButtonFind", QStringLiteral("Найти"), m_listSide);
    m_buttonFind->setEnabled(false);
    connect(m_sEdit1, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_buttonFind->setEnabled(!text.isEmpty()); });
    connect(m_buttonFind, &QPushButton::clicked, this, &TForm2::ButtonFindClick);
    top->addWidget(m_buttonFilter);
    top->addWidget(m_sEdit1, 1);
    top->addWidget(m_buttonFind);
    layout->addLayout(top);

    m_model = new RegisterListModel(this);
    m_listView1 = new QTreeView(m_listSide);
    m_listView1->setObjectName(QStringLiteral("ListView1"));
    m_header = new SortArrowHeader(m_listView1);
    m_listView1->setHeader(m_header);
    m_listView1->setModel(m_model);
    m_listView1->setRootIsDecorated(false);
    m_listView1->setItemsExpandable(false);
    m_listView1->setUniformRowHeights(true);
    m_listView1->setAllColumnsShowFocus(true);
    m_listView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView1->setContextMenuPolicy(Qt::CustomContextMenu);
    m_header->setStretchLastSection(false);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const int widths[kListColumns] = {70, 70, 80, 150, 80, 70, 50, 80};
    for (int c = 0; c < kListColumns; ++c) m_listView1->setColumnWidth(c, widths[c]);
    // The selection stays visible while the list has no focus.
    QPalette palette = m_listView1->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Highlight, QColor(114, 208, 255));
        palette.setColor(group, QPalette::HighlightedText, palette.color(group, QPalette::Text));
    }
    m_listView1->setPalette(palette);
    connect(m_header, &QHeaderView::sectionClicked, this, &TForm2::ListView1ColumnClick);
    connect(m_listView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!selected.isEmpty()) ListView1SelectItem();
            });
    layout->addWidget(m_listView1, 1);

    m_listMenu = new QMenu(m_listView1);
    m_listMenu->setObjectName(QStringLiteral("PopupMenuList"));
    m_serviceInfo = m_listMenu->addAction(QStringLiteral("Дополнительная информация"));
    m_serviceInfo->setObjectName(QStringLiteral("N_ServiceInfo"));
    m_exportRegisterCopy = m_listMenu->addAction(QStringLiteral("Выгрузить в файл"));
    m_exportRegisterCopy->setObjectName(QStringLiteral("N_ExportRegisterCopy"));
    m_exportLearnerList = m_listMenu->addAction(QStringLiteral("Выгрузить список учащихся"));
    m_exportLearnerList->setObjectName(QStringLiteral("N_ExportLearnerList"));
    connect(m_serviceInfo, &QAction::triggered, this, &TForm2::N_ServiceInfoClick);
    connect(m_exportRegisterCopy, &QAction::triggered, this, &TForm2::N_ExportRegisterCopyClick);
    connect(m_exportLearnerList, &QAction::triggered, this, &TForm2::N_ExportLearnerListClick);
    connect(m_listView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenuListPopup();
        m_listMenu->exec(m_listView1->viewport()->mapToGlobal(pos));
    });

    auto* bottom = new QHBoxLayout;
    auto* countCell = new QGridLayout;
    m_labelCount = NewLabel(QStringLiteral("Количество записей"), m_listSide);
    m_labelCount->setObjectName(QStringLiteral("LabelCount"));
    m_gauge = new QProgressBar(m_listSide);
    m_gauge->setObjectName(QStringLiteral("Gauge1"));
    m_gauge->setRange(0, 100);
    m_gauge->setFormat(QStringLiteral("%p%"));
    m_gauge->hide();
    countCell->addWidget(m_labelCount, 0, 0);
    countCell->addWidget(m_gauge, 0, 0);
    bottom->addLayout(countCell, 1);
    m_buttonChange = NewButton("ButtonChange", QStringLiteral("Изменить"), m_listSide);
    m_buttonAdd = NewButton("ButtonAdd", QStringLiteral("Добавить"), m_listSide);
    m_buttonDelete = NewButton("ButtonDelete", QStringLiteral("Удалить"), m_listSide);
    m_buttonNextClass =
        NewButton("ButtonNextClass", QStringLiteral("В след. класс\\курс"), m_listSide);
    for (QPushButton* b : {m_buttonChange, m_buttonAdd, m_buttonDelete, m_buttonNextClass}) {
        bottom->addWidget(b);
    }
    connect(m_buttonChange, &QPushButton::clicked, this, &TForm2::ButtonChangeClick);
    connect(m_buttonAdd, &QPushButton::clicked, this, &TForm2::ButtonAddClick);
    connect(m_buttonDelete, &QPushButton::clicked, this, &TForm2::ButtonDeleteClick);
    connect(m_buttonNextClass, &QPushButton::clicked, this, &TForm2::ButtonNextClassClick);
    layout->addLayout(bottom);
    return m_listSide;
}

QWidget* TForm2::CreateEditPanel() {
    m_panelEdit = new QGroupBox(QStringLiteral("Данные учащегося"), this);
    m_panelEdit->setObjectName(QStringLiteral("PanelEdit"));
    auto* layout = new QVBoxLayout(m_panelEdit);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->addWidget(CreateDocumentGroup());
    layout->addWidget(CreateMainGroup());
    layout->addWidget(CreateExtraGroup());
    layout->addStretch();

    auto* buttons = new QHBoxLayout;
    m_buttonSave = NewButton("ButtonSave", QStringLiteral("Сохранить"), m_panelEdit);
    m_buttonCancel = NewButton("ButtonCancel", QStringLiteral("Отмена"), m_panelEdit);
    m_buttonClear = NewButton("ButtonClear", QStringLiteral("Очистить всё"), m_panelEdit);
    buttons->addWidget(m_buttonSave);
    buttons->addWidget(m_buttonCancel);
    buttons->addWidget(m_buttonClear);
    connect(m_buttonSave, &QPushButton::clicked, this, &TForm2::ButtonSaveClick);
    connect(m_buttonCancel, &QPushButton::clicked, this, &TForm2::ButtonCancelClick);
    connect(m_buttonClear, &QPushButton::clicked, this, &TForm2::ButtonClearClick);
    layout->addLayout(buttons);
    return m_panelEdit;
}

QWidget* TForm2::CreateDocumentGroup() {
    auto* group = new QGroupBox(QStringLiteral("Документ"), this);
    group->setObjectName(QStringLiteral("GroupBoxDoc"));
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(6, 4, 6, 4);

    m_radioGroup = new QGroupBox(QStringLiteral("Тип документа"), group);
    m_radioGroup->setObjectName(QStringLiteral("RadioGroupDocType"));
    auto* radios = new QGridLayout(m_radioGroup);
    radios->setContentsMargins(6, 4, 6, 4);
    radios->setVerticalSpacing(2);
    m_docTypes = new QButtonGroup(this);
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(kDocumentTypes[i]), m_radioGroup);
        radio->setObjectName(QStringLiteral("RadioDocType%1").arg(i));
        m_docTypes->addButton(radio, i);
        radios->addWidget(radio, i / 2, i % 2);
    }
    m_docTypes->button(DocPassport)->setChecked(true);
    // Only a change of the type by the operator resets the document fields.
    connect(m_docTypes, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked && !m_settingType) RadioGroupDocTypeClick();
    });
    layout->addWidget(m_radioGroup);

    auto* parts = new QGridLayout;
    parts->setVerticalSpacing(3);
    m_labelNSeria = NewLabel(QStringLiteral("номер серии"), group);
    m_comboNSeria = new ReadOnlyComboBox(group);
    m_comboNSeria->setObjectName(QStringLiteral("ComboBoxNSeria"));
    m_comboNSeria->setInsertPolicy(QComboBox::NoInsert);
    m_comboNSeria->setFixedWidth(62);
    m_nseriaValidator = new FieldValidator(true, false, this);
    m_editSeria = NewEdit("EditSeria", 2);
    m_editSeria->setFixedWidth(40);
    m_seriaValidator = new FieldValidator(true, true, this);
    m_editSeria->setValidator(m_seriaValidator);
    m_editNum = NewEdit("EditNum", 7);
    m_editNum->setValidator(new FieldValidator(false, true, m_editNum));
    m_editNum->setFixedWidth(80);
    parts->addWidget(m_labelNSeria, 0, 0);
    parts->addWidget(m_comboNSeria, 0, 1);
    parts->addWidget(NewLabel(QStringLiteral("серия:"), group), 0, 2, Qt::AlignRight);
    parts->addWidget(m_editSeria, 0, 3);
    parts->addWidget(NewLabel(QStringLiteral("номер:"), group), 1, 0);
    parts->addWidget(m_editNum, 1, 1, 1, 3, Qt::AlignLeft);
    parts->setColumnStretch(4, 1);
    layout->addLayout(parts);
    SetSeriesNumberPickList(false);

    m_groupIssue = new QGroupBox(QStringLiteral("Кем и когда выдан"), group);
    m_groupIssue->setObjectName(QStringLiteral("GroupBoxIssue"));
    auto* issue = new QGridLayout(m_groupIssue);
    issue->setContentsMargins(6, 4, 6, 4);
    issue->setVerticalSpacing(3);
    m_memoIssuer = new QPlainTextEdit(m_groupIssue);
    m_memoIssuer->setObjectName(QStringLiteral("MemoIssuer"));
    m_memoIssuer->setFixedHeight(40);
    m_memoIssuer->setTabChangesFocus(true);
    connect(m_memoIssuer, &QPlainTextEdit::textChanged, this, [this] {
        const QString text = m_memoIssuer->toPlainText();
        if (text.size() > kMaxIssuerLength) m_memoIssuer->setPlainText(text.left(kMaxIssuerLength));
    });
    m_dateIssue = NewDatePicker("DateTimePickerIssue", m_groupIssue);
    m_editIssuerCode = NewEdit("EditIssuerCode", 9);
    m_editIssuerCode->setValidator(new FieldValidator(false, true, m_editIssuerCode));
    m_editBirthPlace = NewEdit("EditBirthPlace", kMaxIssuerLength);
    m_dateIssue->setFixedWidth(100);
    m_editIssuerCode->setFixedWidth(64);
    issue->addWidget(NewLabel(QStringLiteral("Наименование подразделения выдачи"), m_groupIssue), 0,
                     0, 1, 4);
    issue->addWidget(m_memoIssuer, 1, 0, 1, 4);
    issue->addWidget(NewLabel(QStringLiteral("Дата выдачи"), m_groupIssue), 2, 0);
    issue->addWidget(m_dateIssue, 2, 1);
    issue->addWidget(NewLabel(QStringLiteral("Код подр."), m_groupIssue), 3, 0);
    issue->addWidget(m_editIssuerCode, 3, 1);
    issue->addWidget(NewLabel(QStringLiteral("Место рождения"), m_groupIssue), 4, 0);
    issue->addWidget(m_editBirthPlace, 4, 1, 1, 3);
    issue->setColumnStretch(2, 1);
    layout->addWidget(m_groupIssue);
    return group;
}

QWidget* TForm2::CreateMainGroup() {
    auto* group = new QGroupBox(QStringLiteral("Основная инф."), this);
    group->setObjectName(QStringLiteral("GroupBoxMain"));
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(3);
    m_editFio = NewEdit("EditFIO", 46);
    m_editSnils = NewEdit("MaskEditSNILS", 0);
    m_editSnils->setInputMask(QStringLiteral("999-999-999-99;_"));
    m_dateBirth = NewDatePicker("DateTimePickerBirth", group);
    m_dateEnd = NewDatePicker("DateTimePickerEnd", group);
    m_comboSex = new ReadOnlyComboBox(group);
    m_comboSex->setObjectName(QStringLiteral("ComboBoxSex"));
    m_comboSex->addItems({QStringLiteral("Мужской"), QStringLiteral("Женский")});
    grid->addWidget(NewLabel(QStringLiteral("ФИО"), group), 0, 0);
    grid->addWidget(m_editFio, 0, 1, 1, 3);
    grid->addWidget(NewLabel(QStringLiteral("СНИЛС"), group), 1, 0);
    grid->addWidget(m_editSnils, 1, 1);
    grid->addWidget(NewLabel(QStringLiteral("Пол"), group), 1, 2, Qt::AlignRight);
    grid->addWidget(m_comboSex, 1, 3);
    grid->addWidget(NewLabel(QStringLiteral("Дата рождения"), group), 2, 0, 1, 2);
    grid->addWidget(NewLabel(QStringLiteral("Дата окончания льготы"), group), 2, 2, 1, 2);
    grid->addWidget(m_dateBirth, 3, 0, 1, 2);
    grid->addWidget(m_dateEnd, 3, 2, 1, 2);

    const EditFieldFilter::Context none;
    new EditFieldFilter(m_editFio, EditFieldFilter::KeyRule::Fio,
                        EditFieldFilter::PasteRule::Letters, none);
    return group;
}

QWidget* TForm2::CreateExtraGroup() {
    auto* group = new QGroupBox(QStringLiteral("Дополнительная инф."), this);
    group->setObjectName(QStringLiteral("GroupBoxExtra"));
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(3);
    m_editBilet = NewEdit("EditBilet", 10);
    m_editBilet->setValidator(new FieldValidator(true, false, m_editBilet));
    m_editKlass = NewEdit("EditKlass", 2);
    m_editKlass->setValidator(new FieldValidator(false, true, m_editKlass));
    m_editKlass->setFixedWidth(40);
    m_editLetter = NewEdit("EditLetter", 1);
    m_editLetter->setValidator(new FieldValidator(true, false, m_editLetter));
    m_editLetter->setFixedWidth(30);
    m_labelOrg = NewLabel(QStringLiteral("Код организации"), group);
    m_labelOrg->setObjectName(QStringLiteral("LabelOrg"));
    m_sComboBox1 = new ReadOnlyComboBox(group);
    m_sComboBox1->setObjectName(QStringLiteral("sComboBox1"));
    grid->addWidget(NewLabel(QStringLiteral("Номер билета"), group), 0, 0);
    grid->addWidget(m_editBilet, 0, 1, 1, 3);
    grid->addWidget(NewLabel(QStringLiteral("Класс\\курс"), group), 1, 0);
    grid->addWidget(m_editKlass, 1, 1);
    grid->addWidget(NewLabel(QStringLiteral("Буква"), group), 1, 2, Qt::AlignRight);
    grid->addWidget(m_editLetter, 1, 3);
    grid->addWidget(m_labelOrg, 2, 0);
    grid->addWidget(m_sComboBox1, 2, 1, 1, 4);
    grid->setColumnStretch(4, 1);

    EditFieldFilter::Context context;
    context.certificate = [this] { return CurrentDocumentType() == DocBirthCertificate; };
    context.maxKlass = [this] { return int{m_session.MaxKlass()}; };
    new EditFieldFilter(m_editSeria, EditFieldFilter::KeyRule::CertificateSeries,
                        EditFieldFilter::PasteRule::Letters, context);
    new EditFieldFilter(m_editKlass, EditFieldFilter::KeyRule::Klass,
                        EditFieldFilter::PasteRule::Klass, context);
    new EditFieldFilter(m_editLetter, EditFieldFilter::KeyRule::Letter,
                        EditFieldFilter::PasteRule::None, context);
    return group;
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) ShowSteps();
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    // Esc does not close the window in the middle of an edit.
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

void TForm2::ShowSteps() {
    LoadOrgList();
    RefreshFilter();
    if (!m_seriesListFilled) {
        m_seriesListFilled = true;
        const QString text = m_comboNSeria->currentText();
        for (const char* numeral : kSeriesNumerals)
            m_comboNSeria->addItem(QString::fromLatin1(numeral));
        m_comboNSeria->setCurrentIndex(-1);
        if (m_comboNSeria->isEditable()) m_comboNSeria->setEditText(text);
    }
    m_session.Indexes().Rebuild(m_session.Register());
    m_timerLoad->start();
    m_groupIssue->setVisible(m_session.DetailsAvailable());
}

// ---- modes and field states ------------------------------------------------

void TForm2::SetFormMode(TFormModes mode) {
    const QString storedSeriesNumber = m_comboNSeria->currentText();
    m_formMode = mode;
    if (mode != fmEdit) Clear();

    const ProgramConfig& config = m_session.Config();
    const bool ownOrganization = config.DistrictMode == 0 && config.OrgAgency[0] != 0;
    const bool canChange = config.DistrictMode == 1 || config.OrgAgency[0] != 0;
    const bool editing = mode < fmOneSel;
    m_listSide->setEnabled(!editing);
    m_buttonChange->setEnabled(mode == fmOneSel && canChange);
    m_buttonAdd->setEnabled((mode == fmView || mode == fmOneSel) && ownOrganization);
    m_buttonDelete->setEnabled(mode == fmOneSel || mode == fmMultiSel);
    m_buttonNextClass->setEnabled(mode == fmOneSel || mode == fmMultiSel);
    m_panelEdit->setEnabled(editing || mode == fmOneSel);
    for (QWidget* w : {static_cast<QWidget*>(m_buttonSave), static_cast<QWidget*>(m_buttonCancel),
                       static_cast<QWidget*>(m_buttonClear), static_cast<QWidget*>(m_radioGroup)}) {
        w->setEnabled(editing);
    }
    ApplyFieldStates();

    if (mode == fmEdit && CurrentDocumentType() == DocBirthCertificate) {
        // The stored series number is a decimal number shown as its numeral;
        // one that is none selects nothing, and the operator picks one.
        const QString numeral = Utf8(SeriesNumeralOf(Std(storedSeriesNumber)));
        m_comboNSeria->setCurrentIndex(
            numeral.trimmed().isEmpty() ? -1 : m_comboNSeria->findText(numeral, Qt::MatchExactly));
    }
}

void TForm2::ApplyFieldStates() {
    const DocumentType type = CurrentDocumentType();
    const bool editing = m_formMode < fmOneSel;
    m_labelNSeria->setVisible(type != DocForeignPassport);
    m_comboNSeria->setVisible(type != DocForeignPassport);
    m_seriaValidator->SetDigitsOnly(type == DocPassport || type == DocForeignPassport);

    bool seriesEditable = false;
    bool numberEditable = false;
    if (editing) {
        const bool pickList = type == DocBirthCertificate;
        SetSeriesNumberPickList(pickList);
        m_nseriaValidator->SetDigitsOnly(type == DocPassport || type == DocAlienPassport);
        m_comboNSeria->SetReadOnly(!pickList && type != DocPassport && type != DocAlienPassport);
        seriesEditable = type == DocPassport || type == DocBirthCertificate;
        numberEditable =
            type == DocPassport || type == DocBirthCertificate || type == DocAlienPassport;
    } else {
        SetSeriesNumberPickList(false);
        m_comboNSeria->SetReadOnly(true);
    }
    m_editSeria->setReadOnly(!seriesEditable);
    m_editNum->setReadOnly(!numberEditable);
    m_memoIssuer->setReadOnly(!numberEditable);
    m_editIssuerCode->setReadOnly(!numberEditable);
    m_editBirthPlace->setReadOnly(!numberEditable);
    m_dateIssue->setEnabled(numberEditable);

    for (QLineEdit* edit : {m_editFio, m_editSnils, m_editBilet, m_editKlass, m_editLetter}) {
        edit->setReadOnly(!editing);
    }
    m_dateBirth->setEnabled(editing);
    m_dateEnd->setEnabled(editing);
    m_comboSex->setEnabled(editing);
    m_sComboBox1->SetReadOnly(!editing);
}

void TForm2::SetSeriesNumberPickList(bool pickList) {
    if (m_comboNSeria->isEditable() == !pickList) return;
    const QString text = m_comboNSeria->currentText();
    m_comboNSeria->setEditable(!pickList);
    if (pickList) {
        m_comboNSeria->setCurrentIndex(
            text.isEmpty() ? -1 : m_comboNSeria->findText(text, Qt::MatchExactly));
        return;
    }
    QLineEdit* edit = m_comboNSeria->lineEdit();
    edit->setObjectName(QStringLiteral("ComboBoxNSeriaEdit"));
    edit->setMaxLength(2);
    edit->setValidator(m_nseriaValidator);
    m_comboNSeria->setCompleter(nullptr);
    m_comboNSeria->setEditText(text);
    m_comboNSeria->SetReadOnly(m_comboNSeria->IsReadOnly());
}

DocumentType TForm2::CurrentDocumentType() const {
    const int id = m_docTypes->checkedId();
    return id < 0 ? DocPassport : static_cast<DocumentType>(id);
}

void TForm2::SetDocumentType(DocumentType type) {
    m_settingType = true;
    m_docTypes->button(type)->setChecked(true);
    m_settingType = false;
}

void TForm2::RadioGroupDocTypeClick() {
    if (m_formMode < fmOneSel) {
        m_comboNSeria->setCurrentIndex(-1);
        if (m_comboNSeria->isEditable()) m_comboNSeria->setEditText(QString());
        m_editNum->clear();
        m_editSeria->clear();
        const DocumentType type = CurrentDocumentType();
        if (type == DocCertificate || type == DocAlienPassport) {
            m_editSeria->setText(type == DocCertificate ? QStringLiteral("ВП")
                                                        : QStringLiteral("ИИ"));
            if (m_comboNSeria->isEditable()) m_comboNSeria->setEditText(QStringLiteral("00"));
        }
    }
    ApplyFieldStates();
}

void TForm2::Clear() {
    SetDocumentType(DocPassport);
    m_comboNSeria->setCurrentIndex(-1);
    if (m_comboNSeria->isEditable()) m_comboNSeria->setEditText(QString());
    for (QLineEdit* edit : {m_editNum, m_editSeria, m_editFio, m_editSnils, m_editBilet,
                            m_editKlass, m_editLetter, m_editIssuerCode, m_editBirthPlace}) {
        edit->clear();
    }
    m_memoIssuer->clear();
    const QDate today = TodayDate();
    m_dateIssue->setDate(today);
    m_dateBirth->setDate(today.addMonths(-216));
    m_dateEnd->setDate(today);
    m_sComboBox1->setCurrentIndex(-1);
    ApplyFieldStates();
}

EnteredRecord TForm2::Entered() const {
    EnteredRecord e;
    e.type = CurrentDocumentType();
    e.seriesNumberVisible = !m_comboNSeria->isHidden();
    e.seriesNumber = Std(m_comboNSeria->currentText());
    e.series = Std(m_editSeria->text());
    e.number = Std(m_editNum->text());
    e.fio = Std(m_editFio->text());
    e.snils = Std(SnilsText(m_editSnils));
    e.female = m_comboSex->currentIndex() == 1;
    e.bilet = Std(m_editBilet->text());
    e.klass = Std(m_editKlass->text());
    e.letter = Std(m_editLetter->text());
    e.birth = ToRecordDate(m_dateBirth->date());
    e.dateEnd = ToRecordDate(m_dateEnd->date());
    if (m_sComboBox1->currentIndex() >= 0) {
        e.orgText = Std(m_sComboBox1->currentText());
        e.orgOkpo = m_sComboBox1->currentData().toUInt();
    }
    e.details.issueDate = ToRecordDate(m_dateIssue->date());
    e.details.issuer = Std(m_memoIssuer->toPlainText());
    bool ok = false;
    const int code = m_editIssuerCode->text().toInt(&ok);
    e.details.issuerCode = ok ? code : 0;
    e.details.placeOfBirth = Std(m_editBirthPlace->text());
    return e;
}

// ---- the list ------------------------------------------------------------

QList<QAction*> TForm2::OrgEntries() const {
    QList<QAction*> entries;
    for (QAction* action : m_filterMenu->actions()) {
        if (action != m_filterAll && !action->isSeparator()) entries << action;
    }
    return entries;
}

void TForm2::RefreshFilter() {
    const QList<QAction*> before = OrgEntries();
    for (QAction* entry : before) entry->setVisible(false);
    const ProgramConfig& config = m_session.Config();
    const int rows = std::min<int>(config.OrgCount, ProgramConfig::kMaxOrgs);
    for (int i = 0; i < rows; ++i) {
        const auto okpo = static_cast<uint32_t>(config.OrgOKPO[i]);
        const QString caption = Utf8(OrgCaption(okpo, config.OrgAgency[i]));
        const auto found = std::find_if(before.begin(), before.end(),
                                        [&](QAction* a) { return a->text() == caption; });
        if (found != before.end()) {
            (*found)->setVisible(true);
            continue;
        }
        QAction* entry = m_filterMenu->addAction(caption);
        entry->setObjectName(QStringLiteral("N_FilterOrg"));
        entry->setCheckable(true);
        entry->setChecked(true);
        entry->setData(okpo);
        connect(entry, &QAction::triggered, this, &TForm2::FilterOrgClick);
    }
    for (QAction* entry : OrgEntries()) {
        if (!entry->isVisible()) {
            m_filterMenu->removeAction(entry);
            delete entry;
        }
    }
    m_buttonFilter->setEnabled(OrgEntries().size() >= 2);
}

void TForm2::FilterOrgClick() {
    const QList<QAction*> entries = OrgEntries();
    const bool all =
        std::all_of(entries.begin(), entries.end(), [](QAction* a) { return a->isChecked(); });
    m_filterAll->setChecked(all);
    m_filterAll->setText(all ? QStringLiteral("Снять все") : QStringLiteral("Отметить все"));
    LoadFromFile();
}

void TForm2::FilterAllClick() {
    // The entry has flipped already: its new state is the one to give all.
    const bool state = m_filterAll->isChecked();
    for (QAction* entry : OrgEntries()) entry->setChecked(state);
    m_filterAll->setText(state ? QStringLiteral("Снять все") : QStringLiteral("Отметить все"));
    LoadFromFile();
}

void TForm2::LoadOrgList() {
    m_sComboBox1->clear();
    const ProgramConfig& config = m_session.Config();
    const int rows = std::min<int>(config.OrgCount, ProgramConfig::kMaxOrgs);
    QList<QPair<QString, uint32_t>> items;
    for (int i = 0; i < rows; ++i) {
        const auto okpo = static_cast<uint32_t>(config.OrgOKPO[i]);
        items.append({Utf8(OrgCaption(okpo, config.OrgAgency[i])), okpo});
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [text, okpo] : items) m_sComboBox1->addItem(text, okpo);
    m_sComboBox1->setCurrentIndex(-1);
}

void TForm2::TimerLoadTimer() { LoadFromFile(); }

void TForm2::LoadFromFile() {
    OrgFilter filter;
    for (QAction* entry : OrgEntries()) filter.Set(entry->data().toUInt(), entry->isChecked());
    m_gauge->setValue(0);
    m_gauge->show();
    m_timerLoad->stop();
    std::vector<ListedRecord> rows =
        ListRecords(m_session.Register().ReadAll(), filter, [this](int percent) {
            m_gauge->setValue(percent);
            m_gauge->repaint();
        });
    m_model->SetRows(std::move(rows));
    m_labelCount->setText(QStringLiteral("Показано записей: ") +
                          QString::number(m_model->rowCount()));
    m_gauge->hide();
}

std::vector<uint16_t> TForm2::ShownRecordIndexes() const { return m_model->RecordIndexes(); }

QList<int> TForm2::SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : m_listView1->selectionModel()->selectedRows()) {
        rows << index.row();
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

int TForm2::FirstSelectedRow() const {
    const QList<int> rows = SelectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

std::vector<uint16_t> TForm2::SelectedRecordIndexes() const {
    std::vector<uint16_t> indexes;
    for (const int row : SelectedRows()) indexes.push_back(m_model->RecordIndexAt(row));
    return indexes;
}

void TForm2::SelectRow(int row) {
    const QModelIndex index = m_model->index(row, 0);
    m_listView1->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_listView1->scrollTo(index);
}

void TForm2::SetColumnImage(QTreeView* list, int column, int image, bool showImage) {
    auto* header = qobject_cast<SortArrowHeader*>(list->header());
    if (header != nullptr) header->SetImage(column, showImage ? image : SortArrowHeader::kNoImage);
}

void TForm2::ListView1ColumnClick(int column) {
    if (column < 0 || column >= kListColumns) return;
    for (int c = 0; c < kListColumns; ++c) {
        if (c != column) m_sortStates[static_cast<size_t>(c)] = 0;
    }
    int& state = m_sortStates[static_cast<size_t>(column)];
    state = state == 0 ? 1 : -state;
    m_model->SortByColumn(column, state);
    for (int c = 0; c < kListColumns; ++c) {
        SetColumnImage(m_listView1, c,
                       state > 0 ? SortArrowHeader::kArrowUp : SortArrowHeader::kArrowDown,
                       c == column);
    }
}

void TForm2::ButtonFindClick() {
    const QString needle = m_sEdit1->text().toUpper();
    const int selected = FirstSelectedRow();
    int start = selected < 0 ? 0 : selected + 1;
    m_listView1->selectionModel()->clearSelection();
    for (;;) {
        if (start >= m_model->rowCount()) start = 0;
        const int row = m_model->FindRow(needle, start);
        if (row >= 0) {
            SelectRow(row);
            return;
        }
        if (m_op.Message(Operator::Icon::Information,
                         "Достигнут конец списка. Хотите продолжить поиск сначала списка ?",
                         Operator::Buttons::YesNo) != Operator::Answer::Yes) {
            return;
        }
        start = 0;
    }
}

void TForm2::ListView1SelectItem() {
    Clear();
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty()) return;
    if (rows.size() > 1) {
        SetFormMode(fmMultiSel);
        return;
    }
    SetFormMode(fmOneSel);
    StudentRecord r = EmptyRecord();
    if (!m_session.Register().Read(m_model->RecordIndexAt(rows.first()), r)) return;

    m_sComboBox1->setCurrentIndex(
        m_sComboBox1->findText(Utf8(OrgCaption(r.OKPO, r.ORG)), Qt::MatchExactly));
    const DocumentParts parts = DocumentPartsOf(r);
    SetDocumentType(parts.type);
    ApplyFieldStates();
    m_comboNSeria->setEditText(Utf8(parts.seriesNumber));
    m_editSeria->setText(Utf8(parts.series));
    m_editNum->setText(Utf8(parts.number));

    m_editFio->setText(Utf8(FieldText(r.FIO)).trimmed());
    m_editSnils->setText(r.SNILS == 0 ? QString() : QString::number(r.SNILS));
    m_comboSex->setCurrentIndex(r.PersSex == kSexFemale || r.PersSex == 0xE6 ? 1 : 0);
    m_editBilet->setText(Utf8(FieldText(r.BILET)));
    m_editKlass->setText(QString::number(r.KlassNumber));
    m_editLetter->setText(
        r.KlassLetter == 0 ? QString()
                           : Utf8(Cp1251ToUtf8(std::string(1, static_cast<char>(r.KlassLetter)))));

    if (Showable(r.DBIRTH, m_dateBirth)) {
        m_dateBirth->setDate(ToQDate(r.DBIRTH));
    } else {
        m_op.Warn("Не правильно указана дата рождения");
    }
    if (Showable(r.DATEEND, m_dateEnd)) {
        m_dateEnd->setDate(ToQDate(r.DATEEND));
    } else {
        // The picker keeps today; the operator sets the right date.
        m_op.Error("Не правильно указана дата окончания льготы: " + ListDateText(r.DATEEND));
    }

    if (m_session.DetailsAvailable()) {
        if (const auto details = m_session.Details().FindDoc(DetailsDocument(r))) {
            if (Showable(details->issueDate, m_dateIssue)) {
                m_dateIssue->setDate(ToQDate(details->issueDate));
            }
            m_memoIssuer->setPlainText(Utf8(details->issuer));
            m_editIssuerCode->setText(QString::number(details->issuerCode));
            m_editBirthPlace->setText(Utf8(details->placeOfBirth));
        }
    }
}

// ---- editing ---------------------------------------------------------------

void TForm2::ButtonChangeClick() { SetFormMode(fmEdit); }

void TForm2::ButtonAddClick() { SetFormMode(fmAdd); }

void TForm2::ButtonClearClick() { Clear(); }

void TForm2::ButtonCancelClick() {
    m_editSnils->clear();
    SetFormMode(fmOneSel);
    // With nothing selected there is no learner to show or change.
    if (FirstSelectedRow() >= 0) {
        ListView1SelectItem();
    } else {
        SetFormMode(fmView);
    }
}

void TForm2::ButtonSaveClick() {
    if (m_formMode >= fmOneSel) return;
    const bool adding = m_formMode == fmAdd;
    int32_t selected = -1;
    if (!adding) {
        const int row = FirstSelectedRow();
        if (row < 0) return;
        selected = m_model->RecordIndexAt(row);
    }
    const SaveOutcome outcome = SaveEnteredRecord(m_session, m_op, adding, selected, Entered());
    if (outcome.clearSnils) m_editSnils->clear();
    if (outcome.kind == SaveOutcome::Kind::Refused) return;

    RefreshFilter();
    LoadFromFile();
    SetFormMode(fmOneSel);
    const int row = m_model->RowOfRecord(outcome.index);
    if (row >= 0) {
        SelectRow(row);
    } else {
        SetFormMode(fmView);
    }
    if (outcome.kind == SaveOutcome::Kind::Written) m_op.Inform(kSavedMessage);
}

void TForm2::ButtonDeleteClick() {
    m_listView1->setFocus();
    if (m_op.Message(Operator::Icon::Question, "Удалить выбранные записи?",
                     Operator::Buttons::YesNo) != Operator::Answer::Yes) {
        return;
    }
    DeleteRecords(m_session, SelectedRecordIndexes());
    m_op.Plain("Записи удалены");
    ShowSteps();
    SetFormMode(fmView);
}

void TForm2::ButtonNextClassClick() {
    m_listView1->setFocus();
    const Operator::Answer answer =
        m_op.Message(Operator::Icon::Question,
                     "Увеличить дату окончания льготы? Для отмены действия нажмите Cancel.",
                     Operator::Buttons::YesNoCancel);
    if (answer != Operator::Answer::Yes && answer != Operator::Answer::No) return;
    PromoteRecords(m_session, SelectedRecordIndexes(), answer == Operator::Answer::Yes);
    SetFormMode(fmView);
    m_timerLoad->start();
}

void TForm2::N_ServiceInfoClick() {
    const int row = FirstSelectedRow();
    if (row < 0) return;
    const uint16_t index = m_model->RecordIndexAt(row);
    StudentRecord r = EmptyRecord();
    if (!m_session.Register().Read(index, r)) return;
    if (m_form3->ShowRecord(r) == TForm3::Erase) {
        EraseChangeHistory(r);
        m_session.Register().Write(index, r);
    }
}

void TForm2::PopupMenuListPopup() {
    QList<QAction*> checked;
    for (QAction* entry : OrgEntries()) {
        if (entry->isChecked()) checked << entry;
    }
    const bool one = checked.size() == 1 && m_session.Config().DistrictMode == 1;
    m_exportRegisterCopy->setEnabled(one);
    m_copyOkpo = one ? checked.first()->data().toUInt() : 0;
    m_serviceInfo->setEnabled(true);
    m_exportLearnerList->setEnabled(true);
}

void TForm2::N_ExportRegisterCopyClick() {
    WriteRegisterCopy(m_session, m_op, ShownRecordIndexes(), m_copyOkpo,
                      QCoreApplication::applicationFilePath().toStdString());
}

void TForm2::N_ExportLearnerListClick() {
    ExportShownLearners(m_session, m_op, ShownRecordIndexes());
}

}  // namespace vrklad
