#pragma once
// TInvoice ("Tax Invoice"): one invoice at a time, new (CurInvoiceRec 0) or saved (its INV5 record).
// The invoice lives in the working set while the window is open; the window shows it, lets the user
// choose the customer and add or change lines and payments, and saves or deletes it through the store
// unit. REQUIRES: CUST5, GROUPS, INV5, ITM5, GSTPMT and Prod5 open (the invoice command opens them).
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include "ui/DateEdit.h"
#include "ui/EditWindow.h"
#include "ui/MaskEdit.h"

namespace invoicing {

class TInvoice : public ui::EditWindow {
    Q_OBJECT
public:
    explicit TInvoice(QWidget* parent = nullptr);

    static constexpr int kHelpContext = 310;

    QPushButton* BtnCust;       // "Customer"
    QPushButton* BtnCustEdit;   // "Edit"
    QLineEdit* Edit1;           // invoice number, read-only
    QPlainTextEdit* Memo1;      // address block, read-only
    QLineEdit* Edit4;           // the customer's note
    ui::DateEdit* DateTimePicker1; // date sold
    QLineEdit* Edit2;           // department
    QLineEdit* Edit3;           // credit card / cheque reference
    QTableWidget* StringGrid1;  // line items
    QFrame* Panel1;             // "Line Items"
    QPushButton* BAddItm;
    QPushButton* BEditItm;
    QFrame* Panel2;             // "Payments"
    QPushButton* BAddPmt;
    QPushButton* BEditPmt;
    ui::MaskEdit* MaskEdit2;    // subtotal, read-only
    ui::MaskEdit* MaskEdit3;    // computed line 1
    ui::MaskEdit* MaskEdit4;    // computed line 2
    ui::MaskEdit* MaskEdit5;    // total, read-only
    ui::MaskEdit* MaskEdit6;    // payments, read-only
    ui::MaskEdit* MaskEdit7;    // amount due, read-only
    QPlainTextEdit* Memo2;      // invoice note
    QPushButton* BtnSave;
    QPushButton* BtnPrint;
    QPushButton* Button1;       // "Email": the invoice as a PDF to the customer
    QPushButton* BtnDelete;
    QPushButton* BtnCancel;
    QPushButton* BtnImport;     // never shown
    QPushButton* BtnExport;     // never shown
    QPushButton* BtnBatchLab;   // never shown
    QLabel* Label1;  // "Note"
    QLabel* Label2;  // "Date Sold"
    QLabel* Label3;  // "Department"
    QLabel* Label4;  // "Credit Card / Check:"
    QLabel* Label5;  // caption of computed line 1
    QLabel* Label6;  // caption of computed line 2
    QLabel* Label7;  // "Subtotal:"
    QLabel* Label8;  // "Total:"
    QLabel* Label9;  // "Payments:"
    QLabel* Label10; // "Amount Due:"
    QLabel* Label11; // "Line Items"
    QLabel* Label12; // "Payments"

    // The model's operations on the window.
    void ShowInvoice();
    void ShowCustomer();
    void ComputeTaxes(bool recomputeFirst);
    void UpdateTotals();
    void ShowPayments();

public slots:
    void BtnCustClick();
    void BtnCustEditClick();
    void BAddItmClick();
    void BEditItmClick();
    void StringGrid1DblClick();
    void BAddPmtClick();
    void BEditPmtClick();
    void Edit2Exit();
    void Edit3Exit();
    void Edit4Exit();
    void Memo2Exit();
    void MaskEdit3Exit();
    void MaskEdit4Exit();
    void BtnSaveClick();
    void BtnDeleteClick();
    void BtnPrintClick();
    void Button1Click();
    void BtnCancelClick();
    // The order import and export (their buttons are never shown).
    void BtnImportClick();
    void BtnExportClick();
    void BtnBatchLabClick();

protected:
    void FormShow() override;
    // The customer, lines and payments: a payment's date or tax part changes no control.
    QString heldWork() const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildLayout();
    void resetGrid();
    void sizeGrid();
    void EditItem();
    // Save and Print step 2: the window's fields into the working set; false (and nothing read) while
    // the date is no date.
    bool readBack();
    // Print and Email: the invoice as a document needs its customer (else needsCustomer is shown) and
    // the fields read back.
    bool readyAsDocument(const QString& needsCustomer);
    // Import: the customer found or created for the order just read.
    void importCustomer();
    // Export and Batch Label: the line at the end of the file or, when the user answers No to
    // question, as its only line.
    void writeBatchLine(const QString& fileName, const QString& question, const QString& line, bool ownerOnly);
};

}  // namespace invoicing
