#pragma once

// The company register: the file "multiste.txt" listing the companies (one name a line), the
// company chosen last by this user ("LastCompany" in HKEY_CURRENT_USER), and the logic of the
// small dialog TFMultiSte that lets the user pick one. The window itself lives with the GUI
// (src/wizard/), which installs its modal display with SetShowModal; below the GUI the choice is
// this object's state.

#include <functional>
#include <string>
#include <vector>

// The drop-down list of the dialog: the names, the selected index, the shown text.
struct TCompanyComboBox {
    std::vector<std::string> Items;
    int ItemIndex = -1;
    std::string Text;

    void Clear();
    void Select(int index);
};

class TFMultiSte {
public:
    TFMultiSte();

    // The register file's full name, or empty text. Deletes the machine-wide key
    // "Software\QUARNEL S.A.\MultiSte" first (failures ignored).
    static std::string GetMultisteFilename();
    // Adds `Societe` to the register file unless it is there already (case ignored).
    static void AddSociete(const std::string& Societe);
    // True when both name the same company ("" stands for "Default"; blanks and case ignored).
    static bool CompareSocietes(const std::string& societe1, const std::string& societe2);

    // Loads the register into ComboBoxCompanies and selects the user's last company.
    void ChargeFichier();
    // Lets the user choose when there is more than one company; false when cancelled.
    bool DemandeSte();
    // Reloads and selects `societe`; raises "Société non trouvée : " + societe when absent.
    void SetSociete(const std::string& societe);
    std::string SteChoisie() const { return ComboBoxCompanies.Text; }
    std::string CompanyNameOrDefault() const;

    // The dialog's buttons: OK writes "LastCompany" (failures ignored) and confirms; Cancel
    // abandons. InfoText is the text of the hidden "Info" button's box.
    void BokClick();
    void BannulerClick();
    std::string InfoText() const;

    // Shows the dialog modally; returns when it closes (OK or Cancel have run). Without one, a
    // choice among several companies is abandoned.
    using ShowModal = std::function<void(TFMultiSte&)>;
    void SetShowModal(ShowModal show) { FShowModal = std::move(show); }

    // The texts set at creation.
    std::string Caption;
    std::string Label1;
    std::string BannulerCaption;

    TCompanyComboBox ComboBoxCompanies;
    bool Abandon = true;
    std::string FFilename;

private:
    ShowModal FShowModal;
};

// The one dialog object of the program, created on first use.
TFMultiSte& FMultiSte();

// The register file's lines as they are stored: a byte-order mark (UTF-8, UTF-16 LE or BE) selects
// that encoding, otherwise the ANSI code page (1252). Lines break at CR LF, CR or LF.
struct TRegisterText {
    std::vector<std::string> lines;
    enum class Encoding { Ansi, Utf8, Utf16LE, Utf16BE } encoding = Encoding::Ansi;
};
TRegisterText DecodeRegisterText(const std::string& bytes);
// Every line followed by CR LF, in `encoding` (with its byte-order mark).
std::string EncodeRegisterText(const TRegisterText& text);
