// The program's record buffers, their bindings to the tables' fields, and the check of every binding
// against the catalogue.
#include "store/RecordBuffers.h"

#include "store/Settings.h"
#include "store/Parties.h"
#include "store/WorkingSet.h"

namespace store {

CustBuffer CustRec;
GroupBuffer GroupRec;
InvBuffer& InvRec = CurrentInvoice.invoice;
ItmBuffer ItmRec;
LabelBuffer LabelRec;
PmtBuffer PmtRec;
ProdBuffer ProdRec;
PurBuffer PurRec;

// ---- Bindings ----------------------------------------------------------------------------------------

#define CORVANE_BINDINGS(Buffer, Key) \
    template <>                        \
    const std::vector<Binding<Buffer>>& BoundTo<Buffer, TableKey::Key>::list()

CORVANE_BINDINGS(CustBuffer, Cust) {
    using B = CustBuffer;
    static const std::vector<Binding<B>> list{
        {"CUNO", &B::cuno},   {"TITLE", &B::title},       {"FIRST", &B::first},   {"LAST", &B::last},
        {"ADDR1", &B::addr1}, {"ADDR2", &B::addr2},       {"ADDR3", &B::addr3},   {"ADDR4", &B::addr4},
        {"ZIP", &B::zip},     {"COMMENTS", &B::comments}, {"NGROUP", &B::ngroup}, {"NOTE", &B::note},
        {"PHONE", &B::phone}, {"FAX", &B::fax},           {"EMAIL", &B::email}};
    return list;
}

CORVANE_BINDINGS(GroupBuffer, Groups) {
    using B = GroupBuffer;
    static const std::vector<Binding<B>> list{{"NGROUP", &B::nGroup}, {"CGROUP", &B::cGroup}};
    return list;
}

CORVANE_BINDINGS(InvBuffer, Inv) {
    using B = InvBuffer;
    static const std::vector<Binding<B>> list{
        {"IVNO", &B::IvNo}, {"CUNO", &B::CuNo}, {"DEPT", &B::Dept}, {"IDATE", &B::IDate}, {"IMEMO", &B::IMemo},
        {"SHIP", &B::Ship}, {"TAX", &B::Tax},   {"DUE", &B::Due},   {"REM", &B::REM}};
    return list;
}

CORVANE_BINDINGS(ItmBuffer, Itm) {
    using B = ItmBuffer;
    static const std::vector<Binding<B>> list{
        {"IVNO", &B::IvNo},   {"PRID", &B::PrID},   {"QTY", &B::Qty},     {"UPR", &B::UPR},
        {"LTAX1", &B::LTax1}, {"LTAX2", &B::LTax2}, {"PDESC", &B::PDesc}, {"ICOMM", &B::IComm},
        {"LBUILD", &B::lBuild, false},  {"BACKORDER", &B::BackOrder, false}};
    return list;
}

CORVANE_BINDINGS(LabelBuffer, Labels) {
    using B = LabelBuffer;
    static const std::vector<Binding<B>> list{
        {"NAME", &B::Name},   {"TOPM", &B::TopM},     {"LEFTM", &B::LeftM},     {"BOTTOMM", &B::BottomM},
        {"RIGHTM", &B::RightM}, {"WIDTH", &B::Width}, {"HEIGHT", &B::Height},   {"HGAP", &B::HGap},
        {"VGAP", &B::VGap},   {"NACROSS", &B::NAcross}, {"CONTINUOUS", &B::Continuous}};
    return list;
}

CORVANE_BINDINGS(PmtBuffer, Pmt) {
    using B = PmtBuffer;
    static const std::vector<Binding<B>> list{
        {"IVNO", &B::IvNo}, {"PDATE", &B::PDate}, {"PAMT", &B::PAmt}, {"GST", &B::GST}, {"LGST", &B::lGST}};
    return list;
}

CORVANE_BINDINGS(ProdBuffer, Prod) {
    using B = ProdBuffer;
    static const std::vector<Binding<B>> list{
        {"PRID", &B::PrID},     {"RCODE", &B::RCode},   {"PDESC", &B::PDesc},     {"UPRICE", &B::UPrice},
        {"LTAX1", &B::LTax1},   {"LTAX2", &B::LTax2},   {"LINVEN", &B::lInven},   {"ICOMM", &B::IComm},
        {"PMEMO", &B::PMemo},   {"REORDER", &B::REORDER}, {"ONHAND", &B::ONHAND}, {"LBUILD", &B::lBuild, false}};
    return list;
}

CORVANE_BINDINGS(PurBuffer, Pur) {
    using B = PurBuffer;
    static const std::vector<Binding<B>> list{{"PURPROD", &B::PURProd}, {"PURDATE", &B::PURDate},
                                              {"PURQTY", &B::PURQty},   {"PURCOST", &B::PURCost},
                                              {"PURNO", &B::PURNo}};
    return list;
}

CORVANE_BINDINGS(ImpDirsBuffer, ImpDirs) {
    using B = ImpDirsBuffer;
    static const std::vector<Binding<B>> list{{"INFODIR", &B::InfoDir, true, kDirCut},
                                              {"ORDERDIR", &B::OrderDir, true, kDirCut}};
    return list;
}

#undef CORVANE_BINDINGS

std::vector<std::string> RecordLayerFaults() {
    std::vector<std::string> faults;
    auto add = [&](std::vector<std::string> more) { faults.insert(faults.end(), more.begin(), more.end()); };
    add(BindingFaults<CustBuffer>());
    add(BindingFaults<GroupBuffer>());
    add(BindingFaults<InvBuffer>());
    add(BindingFaults<ItmBuffer>());
    add(BindingFaults<LabelBuffer>());
    add(BindingFaults<PmtBuffer>());
    add(BindingFaults<ProdBuffer>());
    add(BindingFaults<PurBuffer>());
    add(BindingFaults<ImpDirsBuffer>());
    add(BindingFaults<PartyBuffer>());
    add(BindingFaults<SettingsBuffer>());
    // Every tag the program names is in the catalogue once, and every default tag is its table's own.
    for (int id = int(TagId::None) + 1; id <= int(TagId::Party); ++id) {
        int found = 0;
        for (const TableEntry& t : Catalogue())
            for (const TagEntry& tag : t.tags) found += tag.id == TagId(id);
        if (found != 1) faults.push_back("tag " + std::to_string(id) + " is catalogued " + std::to_string(found) + " times");
    }
    for (const TableEntry& t : Catalogue())
        if (t.defaultTag != TagId::None && TableOfTag(t.defaultTag) != t.key)
            faults.push_back(std::string(t.name) + ": its default tag belongs to another table");
    return faults;
}

}  // namespace store
