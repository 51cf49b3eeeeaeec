#include "remote/StatusPage.h"

namespace brv::remote {

std::string_view StatusPageHtml() {
    static constexpr std::string_view kPage = R"HTML(<!DOCTYPE html>
<html lang="ru"><head><meta charset="utf-8"><meta name="viewport" content="width=device-width,initial-scale=1">
<title>Brivan — серверы</title>
<style>
:root{--bg:#f4f6f9;--card:#fff;--ink:#1d2430;--mute:#6b7687;--line:#e3e7ee;--acc:#2f6fde;
--ok:#1f9d55;--load:#c99a06;--bad:#d64545;--wait:#7b5bd6;--off:#8a94a6}
*{box-sizing:border-box}body{margin:0;font:14px/1.45 "Segoe UI",system-ui,-apple-system,"DejaVu Sans",sans-serif;
background:var(--bg);color:var(--ink)}
header{background:#1d2430;color:#fff;padding:14px 24px;display:flex;align-items:center;gap:16px;flex-wrap:wrap}
header h1{font-size:18px;margin:0;font-weight:600;letter-spacing:.2px}header .ver{color:#9aa6b8;font-size:12px}
header .sp{flex:1}#auth{display:flex;gap:8px;align-items:center}
input{font:inherit;padding:6px 10px;border:1px solid var(--line);border-radius:6px;background:#fff;color:var(--ink)}
header input{width:260px;border-color:#3a4455;background:#2a3342;color:#fff}
button{font:inherit;padding:6px 12px;border-radius:6px;border:1px solid var(--line);background:#fff;cursor:pointer;color:var(--ink)}
button:hover{border-color:var(--acc);color:var(--acc)}button.pri{background:var(--acc);color:#fff;border-color:var(--acc)}
button.pri:hover{filter:brightness(1.1);color:#fff}button.danger:hover{border-color:var(--bad);color:var(--bad)}
main{max-width:1400px;margin:24px auto;padding:0 20px}
.card{background:var(--card);border:1px solid var(--line);border-radius:10px;box-shadow:0 1px 2px rgba(16,24,40,.04);overflow-x:auto}
.bar{display:flex;justify-content:space-between;align-items:center;padding:12px 16px;border-bottom:1px solid var(--line);color:var(--mute)}
table{width:100%;border-collapse:collapse}th,td{padding:10px 16px;text-align:left;border-bottom:1px solid var(--line);white-space:nowrap}
th{font-size:12px;text-transform:uppercase;letter-spacing:.4px;color:var(--mute);font-weight:600;background:#fafbfc}
tr:last-child td{border-bottom:0}td.num{font-variant-numeric:tabular-nums}td.title{font-weight:600}
.st{display:inline-flex;align-items:center;gap:6px;padding:2px 10px;border-radius:999px;font-size:12px;font-weight:600}
.st:before{content:"";width:8px;height:8px;border-radius:50%;background:currentColor}
.s-ok{color:var(--ok);background:#e7f6ee}.s-load{color:var(--load);background:#fdf5dc}.s-bad{color:var(--bad);background:#fdecec}
.s-wait{color:var(--wait);background:#f0ebfc}.s-off{color:var(--off);background:#eef0f4}
.acts{display:flex;gap:6px}.cmd{display:flex;gap:6px}.cmd input{width:130px}
#msg{margin:0 0 14px;padding:10px 14px;border-radius:8px;display:none}#msg.err{display:block;background:#fdecec;color:#9b2c2c}
#msg.info{display:block;background:#e8f0fd;color:#1e4fa8}.empty{padding:28px;text-align:center;color:var(--mute)}
</style></head><body>
<header><h1>Brivan</h1><span class="ver" id="ver"></span><span class="sp"></span>
<form id="auth"><input id="token" type="password" autocomplete="off" placeholder="Токен доступа">
<button class="pri" type="submit">Войти</button><button type="button" id="out">Выйти</button></form></header>
<main><div id="msg"></div><div class="card"><div class="bar"><span id="sum">Введите токен, чтобы увидеть серверы.</span>
<span id="upd"></span></div><table><thead><tr><th>Сервер</th><th>Состояние</th><th>Игроки</th><th>Карта</th>
<th>Работает</th><th>Перезапуски</th><th id="hact"></th></tr></thead><tbody id="rows"></tbody></table></div></main>
<script>
"use strict";
const $=id=>document.getElementById(id);let control=false,timer=null;
const tok=()=>sessionStorage.getItem("brivanToken")||"";
function msg(t,k){const m=$("msg");m.textContent=t||"";m.className=t?k:"";}
function cls(s){return{"работает":"s-ok","загружается":"s-load","не отвечает":"s-bad","ждёт перезапуска":"s-wait"}[s]||"s-off";}
function up(s){if(!s)return"—";const d=Math.floor(s/86400),h=Math.floor(s%86400/3600),m=Math.floor(s%3600/60);
return(d?d+" д ":"")+(d||h?h+" ч ":"")+m+" мин";}
function el(t,c,x){const e=document.createElement(t);if(c)e.className=c;if(x!==undefined)e.textContent=x;return e;}
async function api(path,opt){opt=opt||{};opt.headers=Object.assign({"Authorization":"Bearer "+tok()},opt.headers||{});
const r=await fetch(path,opt);if(r.status===401){msg("Токен не подошёл.","err");throw new Error("401");}
const j=await r.json().catch(()=>({}));if(!r.ok)throw new Error(j.error||("ошибка "+r.status));return j;}
async function act(title,what,body){try{await api("/api/v1/servers/"+encodeURIComponent(title)+"/"+what,
{method:"POST",headers:{"Content-Type":"application/json"},body:JSON.stringify(body||{})});
msg("«"+title+"»: "+{restart:"перезапуск",stop:"остановка",start:"запуск",command:"команда отправлена"}[what],"info");load();}
catch(e){if(e.message!=="401")msg("«"+title+"»: "+e.message,"err");}}
function row(s){const tr=el("tr");tr.append(el("td","title",s.title));const st=el("td");st.append(el("span","st "+cls(s.state),s.state));tr.append(st);
tr.append(el("td","num",s.players==null?"—":s.players+" / "+s.maxPlayers+(s.bots?" ("+s.bots+" бот.)":"")));
tr.append(el("td","",s.map||"—"));tr.append(el("td","num",s.running?up(s.uptimeSeconds):"—"));tr.append(el("td","num",String(s.restarts)));
const a=el("td");if(control){const d=el("div","acts");
if(s.running||s.state==="ждёт перезапуска"){const r=el("button","","Перезапустить");r.onclick=()=>act(s.title,"restart");
const p=el("button","danger","Остановить");p.onclick=()=>{if(confirm("Остановить «"+s.title+"»?"))act(s.title,"stop");};d.append(r,p);
const f=el("form","cmd"),i=el("input");i.placeholder="Команда";i.maxLength=256;const b=el("button","","Отправить");b.type="submit";
f.append(i,b);f.onsubmit=e=>{e.preventDefault();if(i.value.trim()){act(s.title,"command",{command:i.value});i.value="";}};d.append(f);}
else{const b=el("button","pri","Запустить");b.onclick=()=>act(s.title,"start");d.append(b);}a.append(d);}tr.append(a);return tr;}
async function load(){if(!tok())return;try{const j=await api("/api/v1/servers");control=!!j.control;
$("hact").textContent=control?"Управление":"";$("ver").textContent=j.version?"версия "+j.version:"";
const rows=$("rows");rows.replaceChildren(...j.servers.map(row));
if(!j.servers.length){const tr=el("tr"),td=el("td","empty","Серверов нет.");td.colSpan=7;tr.append(td);rows.append(tr);}
const run=j.servers.filter(s=>s.running).length;$("sum").textContent="Серверов: "+j.servers.length+", работают: "+run;
$("upd").textContent="обновлено "+new Date().toLocaleTimeString("ru-RU");if($("msg").className==="err")msg("");}
catch(e){if(e.message!=="401")msg("Нет связи с Brivan: "+e.message,"err");}}
$("auth").onsubmit=e=>{e.preventDefault();const v=$("token").value.trim();if(v){sessionStorage.setItem("brivanToken",v);$("token").value="";msg("");load();}};
$("out").onclick=()=>{sessionStorage.removeItem("brivanToken");$("rows").replaceChildren();$("sum").textContent="Введите токен, чтобы увидеть серверы.";$("upd").textContent="";};
// A link may carry the token after "#token=": taken into this tab's session and wiped from the address.
if(location.hash.startsWith("#token=")){sessionStorage.setItem("brivanToken",decodeURIComponent(location.hash.slice(7)));
history.replaceState(null,"",location.pathname);}
load();timer=setInterval(load,3000);
</script></body></html>
)HTML";
    return kPage;
}

} // namespace brv::remote
