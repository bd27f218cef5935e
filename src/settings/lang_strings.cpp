// The library's own user-interface texts, one multi-language record per text
// with a text for each language of the language table (English where no
// translation exists). The records are writable: resolving a numbered slot
// writes the text back. The language table follows the records.
#include "settings/lang_internal.h"

namespace ko::lang {

namespace {

#define KO_RECORD(...) \
  { KOLANG_RECORD_MARKER, KOLANG_SLOT_COUNT, {0, 0, 0, 0, 0}, {__VA_ARGS__}, nullptr }
#define T(s) KOTEXT(s)

struct BuiltinTable {
  KOLANGSTRINGID records[kBuiltinTextCount];
  uint32_t languages[KOLANG_SLOT_COUNT];
};

// Slot order: en-US, ja, de, es, fr, zh-CN, zh-TW, da, fi, it, ko, nl, nb,
// pt-BR, pt-PT, ru, sv, pl.
alignas(8) BuiltinTable g_table __attribute__((section("kolang_t"))) = {
    {
        // kTextTimecodeLabel
        KO_RECORD(T("hr%smn%ssc%sfr"), T("時%s分%s秒%sフレーム"), T("Std%sMin%sSek%sFr"),
                  T("h%smin%sseg%sfot"), T("h%smn%ss%sim"), T("时%s分%s秒%s帧"),
                  T("時%s分%s秒%s格"), T("t%smin%ssek%sbil"), T("h%smin%ss%sr"),
                  T("h%smin%ssec%sfot"), T("시%s분%s초%s프레임"), T("u%smin%ssec%sfr"),
                  T("t%smin%ssek%sbil"), T("h%smin%sseg%squa"), T("h%smin%sseg%sfot"),
                  T("ч%sмин%sсек%sкадр"), T("tim%smin%ssek%sbild"), T("godz%smin%ssek%skl")),
        // kTextTimecodeLabelFull
        KO_RECORD(T("hours%sminutes%sseconds%sframes"), T("時間%s分%s秒%sフレーム"),
                  T("Stunden%sMinuten%sSekunden%sFrames"),
                  T("horas%sminutos%ssegundos%sfotogramas"),
                  T("heures%sminutes%ssecondes%simages"), T("小时%s分钟%s秒%s帧"),
                  T("小時%s分鐘%s秒%s影格"), T("timer%sminutter%ssekunder%sbilleder"),
                  T("tunnit%sminuutit%ssekunnit%sruudut"),
                  T("ore%sminuti%ssecondi%sfotogrammi"), T("시간%s분%s초%s프레임"),
                  T("uren%sminuten%sseconden%sframes"), T("timer%sminutter%ssekunder%sbilder"),
                  T("horas%sminutos%ssegundos%squadros"),
                  T("horas%sminutos%ssegundos%sfotogramas"), T("часы%sминуты%sсекунды%sкадры"),
                  T("timmar%sminuter%ssekunder%sbildrutor"),
                  T("godziny%sminuty%ssekundy%sklatki")),
        // kTextMusicLabel
        KO_RECORD(T("ms%sbt%stk"), T("小節%s拍%sティック"), T("Tk%sBt%sTi"), T("cp%stp%stk"),
                  T("mes%sbat%sbag"), T("小节%s拍%s嘀嗒"), T("小節%s拍%s刻"), T("tk%ssl%sti"),
                  T("ta%sis%sti"), T("bt%smv%stk"), T("마디%s박%s틱"), T("mt%stl%stk"),
                  T("tk%ssl%sti"), T("ms%sbt%stk"), T("ms%sbt%stk"), T("ms%sbt%stk"),
                  T("ms%sbt%stk"), T("tk%sud%srt")),
        // kTextMusicLabelFull
        KO_RECORD(T("measures%sbeats%sticks"), T("小節%s拍%sティック"), T("Takte%sBeats%sTicks"),
                  T("compases%stiempos%sticks"), T("mesures%sbattements%sbaguettes"),
                  T("小节%s拍%s嘀嗒"), T("小節%s拍%s刻度"), T("takter%sslag%stik"),
                  T("tahdit%siskut%stikit"), T("battute%smovimenti%stick"),
                  T("마디%s박%s틱"), T("maten%stellen%sticks"), T("takter%sslag%stikk"),
                  T("measures%sbeats%sticks"), T("measures%sbeats%sticks"),
                  T("measures%sbeats%sticks"), T("measures%sbeats%sticks"),
                  T("takty%suderzenia%srytmy")),
        // kTextOk
        KO_RECORD(T("OK"), T("OK"), T("OK"), T("Aceptar"), T("OK"), T("确定"), T("確定"),
                  T("OK"), T("OK"), T("OK"), T("확인"), T("OK"), T("OK"), T("OK"), T("OK"),
                  T("ОК"), T("OK"), T("OK")),
        // kTextCancel
        KO_RECORD(T("Cancel"), T("キャンセル"), T("Abbrechen"), T("Cancelar"), T("Annuler"),
                  T("取消"), T("取消"), T("Annuller"), T("Peruuta"), T("Annulla"), T("취소"),
                  T("Annuleren"), T("Avbryt"), T("Cancelar"), T("Cancelar"), T("Отмена"),
                  T("Avbryt"), T("Anuluj")),
        // kTextMinusInf
        KO_RECORD(T("-Inf."), T("-無限"), T("-Unendl."), T("-Inf."), T("-Inf."), T("-无穷"),
                  T("-無窮"), T("-Uendl."), T("-Ääret."), T("-Inf."), T("-무한"),
                  T("-Oneindig"), T("-Uendl."), T("-Inf."), T("-Inf."), T("-Беск."),
                  T("-Oändl."), T("-Nieskończ.")),
        // kTextErr
        KO_RECORD(T("Err."), T("エラー"), T("Fehler"), T("Err."), T("Err."), T("错误"),
                  T("錯誤"), T("Fejl"), T("Virhe"), T("Err."), T("오류"), T("Fout"), T("Feil"),
                  T("Erro"), T("Erro"), T("Ошибка"), T("Fel"), T("Błąd")),
        // kTextDecibel
        KO_RECORD(T(" dB"), T(" dB"), T(" dB"), T(" dB"), T(" dB"), T(" dB"), T(" dB"),
                  T(" dB"), T(" dB"), T(" dB"), T(" dB"), T(" dB"), T(" dB"), T(" dB"),
                  T(" dB"), T(" дБ"), T(" dB"), T(" dB")),
    },
    {0x0409, 0x0411, 0x0407, 0x040A, 0x040C, 0x0804, 0x0404, 0x0406, 0x040B, 0x0410, 0x0412,
     0x0413, 0x0414, 0x0416, 0x0816, 0x0419, 0x041D, 0x0415},
};

#undef T
#undef KO_RECORD

}  // namespace

KOLANGSTRINGID *BuiltinRecord(int index) {
  if (index < 0 || index >= kBuiltinTextCount) return nullptr;
  return &g_table.records[index];
}

const uint32_t *LanguageTable() { return g_table.languages; }

}  // namespace ko::lang
