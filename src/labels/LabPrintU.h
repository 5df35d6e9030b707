#pragma once
// TLabPrint ("Print Labels"): chooses the label stock and where on the first sheet the labels start,
// and whether they go to the printer, to a print preview or into a PDF file. "OK", "Preview" and
// "Save as PDF" load the chosen stock into LabelRec and remember it as the settings' LabID; the
// window's result tells whether one of them was chosen. REQUIRES: LABELS open.
#include <QComboBox>
#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QScrollBar>

#include "labels/LabelGen.h"
#include "ui/EditWindow.h"
#include "ui/MaskEdit.h"

namespace labels {

enum class LabelOutput { Printer, Preview, Pdf };

class TLabPrint : public ui::EditWindow {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 620;  // F1: the labels page
    explicit TLabPrint(QWidget* parent = nullptr);

    QLabel* Label1;         // "Label Stock:"
    QComboBox* ComboBox1;
    QLabel* Label2;         // "Starting Column:"
    ui::MaskEdit* MaskEdit1;
    QScrollBar* UpDown1;    // right adds a column, left takes one away
    QLabel* Label3;         // "Row:"
    ui::MaskEdit* MaskEdit2;
    QScrollBar* UpDown2;    // down adds a row, up takes one away
    QPushButton* BtnOK;
    QPushButton* BtnPreview;
    QPushButton* BtnPdf;
    QPushButton* BtnCancel;

    // What the last accepted showing chose.
    LabelStart start() const { return m_start; }
    LabelOutput output() const { return m_output; }

public slots:
    void BtnOKClick();
    void BtnPreviewClick();
    void BtnPdfClick();
    void BtnCancelClick();
    void MaskEdit1Exit();
    void MaskEdit2Exit();
    void ComboBox1Change();

protected:
    void FormShow() override;

private:
    void choose(LabelOutput output);
    int across() const;

    QList<long> m_records;  // the record of each stock in the list
    QList<int> m_across;    // and its labels across
    LabelStart m_start;
    LabelOutput m_output = LabelOutput::Printer;
};

}  // namespace labels
