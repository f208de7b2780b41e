<!DOCTYPE html>
<!-- saved from url=(0014)about:internet -->
<html>
<head>
<meta http-equiv="X-UA-Compatible" content="IE=edge">
<meta http-equiv="Content-Type" content="text/html; charset=utf-8">
<title>{title}</title>
<style type="text/css">
html, body { margin: 0; padding: 0; }
body { font-family: "Segoe UI", Tahoma, Verdana, Arial, sans-serif; font-size: 12px; color: #1e2833; background: #eef1f5; }
.card { margin: 6px; background: #ffffff; border: 1px solid #cfd6df; border-radius: 5px; }
.head { padding: 7px 10px 6px 10px; border-bottom: 1px solid #e3e7ec; background: #f8fafc; border-radius: 5px 5px 0 0; }
.title { font-size: 15px; font-weight: bold; color: #183b63; margin-right: 8px; word-wrap: break-word; overflow-wrap: break-word; }
.chip { display: inline-block; padding: 1px 7px; margin-right: 4px; border-radius: 9px; font-size: 11px; white-space: nowrap; vertical-align: 2px; }
.rating { background: #b3261e; color: #ffffff; font-weight: bold; }
.where { background: #e4ebf3; color: #2a4a6e; }
table.facts { border-collapse: collapse; margin: 5px 10px 2px 10px; }
table.facts th { text-align: left; vertical-align: top; font-weight: normal; color: #66727f; padding: 2px 12px 2px 0; white-space: nowrap; }
table.facts td { vertical-align: top; padding: 2px 0; font-family: Consolas, "Lucida Console", "Courier New", monospace; font-size: 12px; word-break: break-all; }
table.facts td font { display: inline-block; margin-top: 2px; padding: 1px 6px; border-radius: 3px; background: #fdecea; color: #b3261e; font-family: "Segoe UI", Tahoma, Verdana, Arial, sans-serif; font-size: 11px; font-weight: bold; }
.empty { color: #9aa4ae; }
.about { word-wrap: break-word; overflow-wrap: break-word; margin: 4px 10px 8px 10px; padding: 6px 9px; border-left: 3px solid #2d6cb5; background: #f3f7fc; line-height: 1.45; }
.about a, .more a { color: #1f5fa8; }
.note { margin: 2px 10px 4px 10px; padding: 3px 8px; border-radius: 3px; background: #fff4d6; color: #6b4e00; font-size: 11px; }
.more { margin: 0 10px 8px 10px; font-size: 11px; color: #66727f; }
.warning { margin: 4px 10px 4px 10px; padding: 4px 8px; border-radius: 3px; background: #fdecea; color: #b3261e; font-weight: bold; word-wrap: break-word; overflow-wrap: break-word; }
.turnoff { margin-top: 5px; color: #34495e; }
table.facts td.plain { font-family: "Segoe UI", Tahoma, Verdana, Arial, sans-serif; }
</style>
</head>
<body>
<div class="card">
<div class="head"><span class="title">{title}</span> <span class="chip rating">{required}</span> <span class="chip where">{startuplocation}</span></div>
<table class="facts">
<tr><th>Program file</th><td>{filename}</td></tr>
<tr><th>Arguments</th><td>{argument}&nbsp;</td></tr>
<tr><th>Publisher</th><td class="plain">{publisher}</td></tr>
<tr><th>Signature</th><td class="plain">{signature}</td></tr>
<tr><th>Company</th><td class="plain">{company}</td></tr>
<tr><th>File version</th><td class="plain">{fileversion}</td></tr>
<tr><th>SHA-256</th><td>{sha256}</td></tr>
</table>
{lookalike}
{notes}
<div class="about">{comments}</div>
<div class="more">{ratingsource} Not sure what this is? <a href="https://duckduckgo.com/?q={q_title}+{q_filename_only}">Search the web</a> for it.</div>
</div>
</body>
</html>
