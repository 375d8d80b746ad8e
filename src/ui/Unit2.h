#pragma once

#include <QDialog>
#include <QPointer>
#include <array>
#include <cstdint>
#include <vector>

#include "register/Operator.h"
#include "session/RecordEditing.h"

class QAction;
class QButtonGroup;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolButton;
class QTreeView;
class QWidget;

namespace vrklad {

class EditFieldFilter;
class FieldValidator;
class ReadOnlyComboBox;
class RegisterListModel;
class Session;
class SortArrowHeader;
class TForm3;

// The modes of the record correction window; the order matters: a mode
// below fmOneSel is one of the two editing modes.
enum TFormModes { fmEdit = 0, fmAdd = 1, fmOneSel = 2, fmMultiSel = 3, fmView = 4 };

// The record correction window: the list of the register's learners with
// its organization filter, search and sorting, and the edit panel where a
// learner is looked at, changed, added, deleted or moved to the next class.
// A fresh window is made for every opening.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    // `form3` is the service information window to use; without it the
    // window makes its own.
    TForm2(Session& session, Operator& op, TForm3* form3 = nullptr, QWidget* parent = nullptr);
    ~TForm2() override;

    TFormModes FormMode() const { return m_formMode; }
    void SetFormMode(TFormModes mode);

    // Rebuilds the list from the register under the current filter.
    void LoadFromFile();
    // Refills the "Код организации" list from the OrgTable.
    void LoadOrgList();
    // Brings the filter menu in line with the OrgTable.
    void RefreshFilter();
    // Shows (ShowImage) or removes a sort arrow in one column header.
    void SetColumnImage(QTreeView* list, int column, int image, bool showImage);

    // The register indexes of the rows now shown, in list order.
    std::vector<uint16_t> ShownRecordIndexes() const;
    // The register indexes of the selected rows, in list order.
    std::vector<uint16_t> SelectedRecordIndexes() const;
    // The OKPO remembered for "Выгрузить в файл" when the context menu
    // opened with exactly one organization checked; 0 otherwise.
    uint32_t CopyOkpo() const { return m_copyOkpo; }

    Session& GetSession() { return m_session; }
    Operator& Op() { return m_op; }
    RegisterListModel* Model() const { return m_model; }
    QMenu* FilterMenu() const { return m_filterMenu; }
    QMenu* ListMenu() const { return m_listMenu; }
    QTimer* TimerLoad() const { return m_timerLoad; }
    // The sort state of a column: 0, 1 ascending, -1 descending.
    int SortState(int column) const { return m_sortStates[static_cast<size_t>(column)]; }
    // The values of the edit panel as they stand.
    EnteredRecord Entered() const;

public slots:
    void ButtonFindClick();
    void ListView1ColumnClick(int column);
    void ListView1SelectItem();
    void ButtonChangeClick();
    void ButtonAddClick();
    void ButtonCancelClick();
    void ButtonClearClick();
    void ButtonSaveClick();
    void ButtonDeleteClick();
    void ButtonNextClassClick();
    void RadioGroupDocTypeClick();
    void N_ServiceInfoClick();
    // Filled in by the register copy and learner list export.
    void N_ExportRegisterCopyClick();
    void N_ExportLearnerListClick();
    // Brings the context menu's entries up to date before it opens.
    void PopupMenuListPopup();
    void TimerLoadTimer();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* CreateListSide();
    QWidget* CreateEditPanel();
    QWidget* CreateDocumentGroup();
    QWidget* CreateMainGroup();
    QWidget* CreateExtraGroup();
    QLineEdit* NewEdit(const char* objectName, int maxLength);

    void ShowSteps();
    void Clear();
    void ApplyFieldStates();
    void SetSeriesNumberPickList(bool pickList);
    void SetDocumentType(DocumentType type);
    DocumentType CurrentDocumentType() const;
    void SelectRow(int row);
    int FirstSelectedRow() const;
    QList<int> SelectedRows() const;
    void FilterAllClick();
    void FilterOrgClick();
    QList<QAction*> OrgEntries() const;

    Session& m_session;
    Operator& m_op;
    QPointer<TForm3> m_form3;
    TFormModes m_formMode = fmView;
    std::array<int, 8> m_sortStates{};
    uint32_t m_copyOkpo = 0;
    bool m_seriesListFilled = false;
    bool m_settingType = false;

    // List side.
    QWidget* m_listSide = nullptr;
    QToolButton* m_buttonFilter = nullptr;
    QMenu* m_filterMenu = nullptr;
    QAction* m_filterAll = nullptr;
    QLineEdit* m_sEdit1 = nullptr;
    QPushButton* m_buttonFind = nullptr;
    QTreeView* m_listView1 = nullptr;
    SortArrowHeader* m_header = nullptr;
    RegisterListModel* m_model = nullptr;
    QLabel* m_labelCount = nullptr;
    QProgressBar* m_gauge = nullptr;
    QPushButton* m_buttonChange = nullptr;
    QPushButton* m_buttonAdd = nullptr;
    QPushButton* m_buttonDelete = nullptr;
    QPushButton* m_buttonNextClass = nullptr;
    QMenu* m_listMenu = nullptr;
    QAction* m_serviceInfo = nullptr;
    QAction* m_exportRegisterCopy = nullptr;
    QAction* m_exportLearnerList = nullptr;
    QTimer* m_timerLoad = nullptr;

    // Edit panel.
    QGroupBox* m_panelEdit = nullptr;
    QGroupBox* m_radioGroup = nullptr;
    QButtonGroup* m_docTypes = nullptr;
    QLabel* m_labelNSeria = nullptr;
    ReadOnlyComboBox* m_comboNSeria = nullptr;
    FieldValidator* m_nseriaValidator = nullptr;
    QLineEdit* m_editSeria = nullptr;
    FieldValidator* m_seriaValidator = nullptr;
    QLineEdit* m_editNum = nullptr;
    QGroupBox* m_groupIssue = nullptr;
    QPlainTextEdit* m_memoIssuer = nullptr;
    QDateEdit* m_dateIssue = nullptr;
    QLineEdit* m_editIssuerCode = nullptr;
    QLineEdit* m_editBirthPlace = nullptr;
    QLineEdit* m_editFio = nullptr;
    QLineEdit* m_editSnils = nullptr;
    QDateEdit* m_dateBirth = nullptr;
    QDateEdit* m_dateEnd = nullptr;
    ReadOnlyComboBox* m_comboSex = nullptr;
    QLineEdit* m_editBilet = nullptr;
    QLineEdit* m_editKlass = nullptr;
    QLineEdit* m_editLetter = nullptr;
    QLabel* m_labelOrg = nullptr;
    ReadOnlyComboBox* m_sComboBox1 = nullptr;
    QPushButton* m_buttonSave = nullptr;
    QPushButton* m_buttonCancel = nullptr;
    QPushButton* m_buttonClear = nullptr;
};

}  // namespace vrklad
