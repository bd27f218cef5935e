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
        // kTextSizeBytesLong
        KO_RECORD(T("%1 bytes"), T("%1 バイト"), T("%1 Bytes"), T("%1 bytes"), T("%1 octets"),
                  T("%1 字节"), T("%1 位元組"), T("%1 byte"), T("%1 tavua"), T("%1 byte"), T("%1바이트"),
                  T("%1 bytes"), T("%1 byte"), T("%1 bytes"), T("%1 bytes"), T("%1 байт"),
                  T("%1 byte"), T("%1 bajtów")),
        // kTextSizeBytesShort
        KO_RECORD(T("%1 B"), T("%1 B"), T("%1 B"), T("%1 B"), T("%1 o"), T("%1 B"), T("%1 B"),
                  T("%1 B"), T("%1 t"), T("%1 B"), T("%1 B"), T("%1 B"), T("%1 B"), T("%1 B"),
                  T("%1 B"), T("%1 Б"), T("%1 B"), T("%1 B")),
        // kTextSizeKB
        KO_RECORD(T("%1 KB"), T("%1 KB"), T("%1 KB"), T("%1 KB"), T("%1 Ko"), T("%1 KB"),
                  T("%1 KB"), T("%1 KB"), T("%1 kt"), T("%1 KB"), T("%1 KB"), T("%1 KB"),
                  T("%1 KB"), T("%1 KB"), T("%1 KB"), T("%1 КБ"), T("%1 kB"), T("%1 KB")),
        // kTextSizeMB
        KO_RECORD(T("%1 MB"), T("%1 MB"), T("%1 MB"), T("%1 MB"), T("%1 Mo"), T("%1 MB"),
                  T("%1 MB"), T("%1 MB"), T("%1 Mt"), T("%1 MB"), T("%1 MB"), T("%1 MB"),
                  T("%1 MB"), T("%1 MB"), T("%1 MB"), T("%1 МБ"), T("%1 MB"), T("%1 MB")),
        // kTextSizeGB
        KO_RECORD(T("%1 GB"), T("%1 GB"), T("%1 GB"), T("%1 GB"), T("%1 Go"), T("%1 GB"),
                  T("%1 GB"), T("%1 GB"), T("%1 Gt"), T("%1 GB"), T("%1 GB"), T("%1 GB"),
                  T("%1 GB"), T("%1 GB"), T("%1 GB"), T("%1 ГБ"), T("%1 GB"), T("%1 GB")),
        // kTextSizeTB
        KO_RECORD(T("%1 TB"), T("%1 TB"), T("%1 TB"), T("%1 TB"), T("%1 To"), T("%1 TB"),
                  T("%1 TB"), T("%1 TB"), T("%1 Tt"), T("%1 TB"), T("%1 TB"), T("%1 TB"),
                  T("%1 TB"), T("%1 TB"), T("%1 TB"), T("%1 ТБ"), T("%1 TB"), T("%1 TB")),
        // kTextSizePB
        KO_RECORD(T("%1 PB"), T("%1 PB"), T("%1 PB"), T("%1 PB"), T("%1 Po"), T("%1 PB"),
                  T("%1 PB"), T("%1 PB"), T("%1 Pt"), T("%1 PB"), T("%1 PB"), T("%1 PB"),
                  T("%1 PB"), T("%1 PB"), T("%1 PB"), T("%1 ПБ"), T("%1 PB"), T("%1 PB")),
        // kTextSizeEB
        KO_RECORD(T("%1 EB"), T("%1 EB"), T("%1 EB"), T("%1 EB"), T("%1 Eo"), T("%1 EB"),
                  T("%1 EB"), T("%1 EB"), T("%1 Et"), T("%1 EB"), T("%1 EB"), T("%1 EB"),
                  T("%1 EB"), T("%1 EB"), T("%1 EB"), T("%1 ЭБ"), T("%1 EB"), T("%1 EB")),
        // kTextSizeTooBig
        KO_RECORD(T("> 9 YB"), T("> 9 YB"), T("> 9 YB"), T("> 9 YB"), T("> 9 Yo"), T("> 9 YB"),
                  T("> 9 YB"), T("> 9 YB"), T("> 9 Yt"), T("> 9 YB"), T("> 9 YB"), T("> 9 YB"),
                  T("> 9 YB"), T("> 9 YB"), T("> 9 YB"), T("> 9 ЙБ"), T("> 9 YB"), T("> 9 YB")),
        // kTextAbort
        KO_RECORD(T("&Abort"), T("中止(&A)"), T("&Abbrechen"), T("&Anular"), T("&Abandonner"),
                  T("中止(&A)"), T("中止(&A)"), T("&Afbryd"), T("&Keskeytä"), T("&Interrompi"),
                  T("중단(&A)"), T("&Afbreken"), T("&Avbryt"), T("&Anular"), T("&Abortar"),
                  T("&Прервать"), T("&Avbryt"), T("&Przerwij")),
        // kTextRetry
        KO_RECORD(T("&Retry"), T("再試行(&R)"), T("&Wiederholen"), T("&Reintentar"), T("&Recommencer"),
                  T("重试(&R)"), T("重試(&R)"), T("&Prøv igen"), T("&Yritä uudelleen"), T("&Riprova"),
                  T("다시 시도(&R)"), T("&Opnieuw"), T("&Prøv igjen"), T("&Repetir"), T("&Repetir"),
                  T("По&вторить"), T("&Försök igen"), T("P&onów")),
        // kTextIgnore
        KO_RECORD(T("&Ignore"), T("無視(&I)"), T("&Ignorieren"), T("&Omitir"), T("&Ignorer"),
                  T("忽略(&I)"), T("略過(&I)"), T("&Ignorer"), T("&Ohita"), T("I&gnora"), T("무시(&I)"),
                  T("&Negeren"), T("&Ignorer"), T("&Ignorar"), T("&Ignorar"), T("Пропу&стить"),
                  T("&Ignorera"), T("&Ignoruj")),
        // kTextYes
        KO_RECORD(T("&Yes"), T("はい(&Y)"), T("&Ja"), T("&Sí"), T("&Oui"), T("是(&Y)"), T("是(&Y)"),
                  T("&Ja"), T("&Kyllä"), T("&Sì"), T("예(&Y)"), T("&Ja"), T("&Ja"), T("&Sim"),
                  T("&Sim"), T("&Да"), T("&Ja"), T("&Tak")),
        // kTextNo
        KO_RECORD(T("&No"), T("いいえ(&N)"), T("&Nein"), T("&No"), T("&Non"), T("否(&N)"), T("否(&N)"),
                  T("&Nej"), T("&Ei"), T("&No"), T("아니요(&N)"), T("&Nee"), T("&Nei"), T("&Não"),
                  T("&Não"), T("&Нет"), T("&Nej"), T("&Nie")),
        // kTextYesToAll
        KO_RECORD(T("Yes to &All"), T("すべてはい(&A)"), T("Ja, &alle"), T("Sí a &todo"),
                  T("Oui pour &tout"), T("全部是(&A)"), T("全部皆是(&A)"), T("Ja til &alle"),
                  T("Kyllä k&aikkiin"), T("Sì a &tutti"), T("모두 예(&A)"), T("Ja op &alles"),
                  T("Ja til &alle"), T("Sim para &todos"), T("Sim para &todos"), T("Да для &всех"),
                  T("Ja till &alla"), T("Tak dla &wszystkich")),
        // kTextDelete
        KO_RECORD(T("D&elete"), T("削除(&E)"), T("&Löschen"), T("&Eliminar"), T("&Supprimer"),
                  T("删除(&E)"), T("刪除(&E)"), T("&Slet"), T("&Poista"), T("&Elimina"), T("삭제(&E)"),
                  T("Ver&wijderen"), T("&Slett"), T("&Excluir"), T("&Eliminar"), T("&Удалить"),
                  T("&Ta bort"), T("&Usuń")),
        // kTextNoToAll
        KO_RECORD(T("N&o to All"), T("すべていいえ(&O)"), T("Nein, &keine"), T("N&o a todo"),
                  T("Non pour to&ut"), T("全部否(&O)"), T("全部皆否(&O)"), T("N&ej til alle"),
                  T("Ei ka&ikkiin"), T("N&o a tutti"), T("모두 아니요(&O)"), T("N&ee op alles"),
                  T("N&ei til alle"), T("N&ão para todos"), T("N&ão para todos"),
                  T("Н&ет для всех"), T("N&ej till alla"), T("N&ie dla wszystkich")),
        // kTextDetailsShow
        KO_RECORD(T("&Details >>"), T("詳細(&D) >>"), T("&Details >>"), T("&Detalles >>"),
                  T("&Détails >>"), T("详细信息(&D) >>"), T("詳細資料(&D) >>"), T("&Detaljer >>"),
                  T("&Tiedot >>"), T("&Dettagli >>"), T("자세히(&D) >>"), T("&Details >>"),
                  T("&Detaljer >>"), T("&Detalhes >>"), T("&Detalhes >>"), T("Подро&бности >>"),
                  T("&Detaljer >>"), T("&Szczegóły >>")),
        // kTextDetailsHide
        KO_RECORD(T("No &Details"), T("詳細を隠す(&D)"), T("Keine &Details"), T("Sin &detalles"),
                  T("Sans &détails"), T("隐藏详细信息(&D)"), T("隱藏詳細資料(&D)"), T("Ingen &detaljer"),
                  T("Piilota &tiedot"), T("Nessun &dettaglio"), T("자세히 숨기기(&D)"),
                  T("Geen &details"), T("Ingen &detaljer"), T("Sem &detalhes"), T("Sem &detalhes"),
                  T("Скрыть подро&бности"), T("Inga &detaljer"), T("Ukryj &szczegóły")),
        // kTextDontShowAgain
        KO_RECORD(T("Do no&t show this message again."), T("今後このメッセージを表示しない(&T)"),
                  T("Diese Meldung nicht &mehr anzeigen."), T("No volver a &mostrar este mensaje."),
                  T("Ne plus affic&her ce message."), T("不再显示此消息(&T)"), T("不再顯示此訊息(&T)"),
                  T("Vis ikke denne &meddelelse igen."), T("Älä näytä tätä &viestiä uudelleen."),
                  T("Non &visualizzare più questo messaggio."), T("이 메시지를 다시 표시 안 함(&T)"),
                  T("Dit &bericht niet meer weergeven."), T("Ikke vis denne &meldingen igjen."),
                  T("Não &mostrar esta mensagem novamente."),
                  T("Não voltar a &mostrar esta mensagem."),
                  T("Больше не показ&ывать это сообщение."),
                  T("Visa inte det här &meddelandet igen."),
                  T("Nie pokazuj tego ko&munikatu ponownie.")),
        // kTextDiskMegabytes
        KO_RECORD(T("$.1z Megabytes"), T("$.1z メガバイト"), T("$.1z Megabyte"), T("$.1z megabytes"),
                  T("$.1z mégaoctets"), T("$.1z 兆字节"), T("$.1z 百萬位元組"), T("$.1z megabyte"),
                  T("$.1z megatavua"), T("$.1z megabyte"), T("$.1z 메가바이트"), T("$.1z megabytes"),
                  T("$.1z megabyte"), T("$.1z megabytes"), T("$.1z megabytes"), T("$.1z мегабайт"),
                  T("$.1z megabyte"), T("$.1z megabajtów")),
        // kTextDiskGigabytes
        KO_RECORD(T("$.1z Gigabytes"), T("$.1z ギガバイト"), T("$.1z Gigabyte"), T("$.1z gigabytes"),
                  T("$.1z gigaoctets"), T("$.1z 千兆字节"), T("$.1z 十億位元組"), T("$.1z gigabyte"),
                  T("$.1z gigatavua"), T("$.1z gigabyte"), T("$.1z 기가바이트"), T("$.1z gigabytes"),
                  T("$.1z gigabyte"), T("$.1z gigabytes"), T("$.1z gigabytes"), T("$.1z гигабайт"),
                  T("$.1z gigabyte"), T("$.1z gigabajtów")),
        // kTextDiskUnknown
        KO_RECORD(T("-- Megabytes"), T("-- メガバイト"), T("-- Megabyte"), T("-- megabytes"),
                  T("-- mégaoctets"), T("-- 兆字节"), T("-- 百萬位元組"), T("-- megabyte"),
                  T("-- megatavua"), T("-- megabyte"), T("-- 메가바이트"), T("-- megabytes"),
                  T("-- megabyte"), T("-- megabytes"), T("-- megabytes"), T("-- мегабайт"),
                  T("-- megabyte"), T("-- megabajtów")),
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

const KOCHAR *ko::text::BuiltinText(int index) {
  KOLANGSTRINGID *r = ko::lang::BuiltinRecord(index);
  if (!r) return KOTEXT("");
  HKOLANG h = ko::lang::KernelHandle();
  const KOCHAR *s = h ? KoGetString(h, ko::lang::AsSlots(r)) : nullptr;
  return s && *s ? s : r->slots[0];
}
