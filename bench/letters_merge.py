#!/usr/bin/python3
"""Merged letters: addrova-batch against LibreOffice Writer's own mail merge, in one run.

  1. `addrova-batch letters` merges the shipped "Business Letter" with every record of a demo file of
     RECORDS records (default 10,000), once into one PDF (--pdf) and once into one PDF per record
     (--pdf-each): pages, wall and CPU time, pages per CPU second, peak memory (/usr/bin/time -v).
  2. The same letter with the first LO_RECORDS records (default 1,000) through both programs:
     addrova-batch as above, and LibreOffice Writer's MailMerge service (python3-uno) writing one PDF.
     The letter is the stored RTF (letter-export) opened by Writer with each merge token replaced by
     a database field at the same place, so the token's formatting stays. The data is the same
     address records, the values worked out by the same rules as the merge (name line, address
     block, long date), laid into a table of a Writer document and read through LibreOffice's own
     Writer-table database driver (the dBase and CSV drivers are not installed here). LibreOffice
     runs as its own headless process with a private profile; its time is the MailMerge call alone,
     its CPU time that process's CPU during the call, its peak memory the process's VmHWM.
     The page counts of both PDFs must agree (pdfinfo), every page must hold the same words in both
     (pdftotext) and no token may be left in either.

Prints markdown tables. Debian's interpreter is needed (python3-uno, python3-dbf).

  bench/letters_merge.py [--records N] [--lo-records N] [--build DIR] [--skip-each] [--keep DIR]
"""

import argparse
import datetime
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import zipfile
from xml.sax.saxutils import escape

LETTER = "Business Letter"


def sh(cmd, env, **kw):
    return subprocess.run(cmd, env=env, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **kw)


def pdf_pages(path):
    out = subprocess.run(["pdfinfo", path], check=True, stdout=subprocess.PIPE, text=True).stdout
    return int(re.search(r"^Pages:\s+(\d+)", out, re.M).group(1))


def pdf_text(path, first=None, last=None):
    cmd = ["pdftotext"]
    if first:
        cmd += ["-f", str(first), "-l", str(last or first)]
    return subprocess.run(cmd + [path, "-"], check=True, stdout=subprocess.PIPE, text=True).stdout


def timed(cmd, env, work):
    """Runs cmd under /usr/bin/time -v: (wall s, cpu s, peak MiB, stderr)."""
    tv = os.path.join(work, "time.txt")
    r = subprocess.run(["/usr/bin/time", "-v", "-o", tv] + cmd, env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, text=True)
    if r.returncode != 0:
        sys.exit("failed: %s\n%s" % (" ".join(cmd), r.stderr))
    t = open(tv).read()
    wall = 0.0
    for part in re.search(r"Elapsed \(wall clock\) time.*: (\S+)", t).group(1).split(":"):
        wall = wall * 60 + float(part)
    cpu = float(re.search(r"User time \(seconds\): (\S+)", t).group(1)) + \
        float(re.search(r"System time \(seconds\): (\S+)", t).group(1))
    rss = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", t).group(1)) / 1024
    return wall, cpu, rss, r.stderr


def du_mib(path):
    if os.path.isfile(path):
        return os.path.getsize(path) / 1048576
    return sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(path) for f in fs) / 1048576


# --- the merge values, by the merge's own rules ------------------------------------------------------

def name_line(r):
    m = r["MIDDLE"] + "." if r["MIDDLE"] else ""
    return "".join((p + " ").lstrip() for p in (r["PREFIX"], r["FNAME"], m, r["LNAME"]))


def address_block(r):
    if r["TITLE"] and r["ORG"]:
        title = r["TITLE"] + ",  " + r["ORG"]
    else:
        title = r["TITLE"] or r["ORG"]
    city = ""
    if r["CITY"] or r["STATE"] or r["ZIP"]:
        s = r["STATE"] + " " if r["STATE"] else ""
        city = (r["CITY"] + " " + s + " " + r["ZIP"]).strip()
    lines = [name_line(r), title, r["STREET"], r["STREET2"], city, r["COUNTRY"]]
    return "".join(l + "\n" for l in lines if l)


def long_date(d):
    return "%s %d, %d" % (("Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov",
                           "Dec")[d.month - 1], d.day, d.year)


# Merge field, database column, value.
FIELDS = [
    ("Full Name", "FULLNAME", name_line),
    ("First", "FNAME", lambda r: r["FNAME"]),
    ("Last", "LNAME", lambda r: r["LNAME"]),
    ("Middle", "MIDDLE", lambda r: r["MIDDLE"]),
    ("Prefix", "PREFIX", lambda r: r["PREFIX"]),
    ("Title", "TITLE", lambda r: r["TITLE"]),
    ("Organization", "ORG", lambda r: r["ORG"]),
    ("Street", "STREET", lambda r: r["STREET"]),
    ("Street 2", "STREET2", lambda r: r["STREET2"]),
    ("City+State+Zip", "CSZ", lambda r: (r["CITY"] + " " + r["STATE"] + " " + r["ZIP"]).strip()),
    ("City", "CITY", lambda r: r["CITY"]),
    ("State", "STATE", lambda r: r["STATE"]),
    ("Province", "PROVINCE", lambda r: r["STATE"]),
    ("Zip", "ZIP", lambda r: r["ZIP"]),
    ("Postal Code", "POSTAL", lambda r: r["ZIP"]),
    ("Country", "COUNTRY", lambda r: r["COUNTRY"]),
    ("Phone", "PHONE", lambda r: r["PHONE"]),
    ("Phone 2", "PHONE2", lambda r: r["PHONE2"]),
    ("Fax", "FAX", lambda r: r["FAX"]),
    ("E-Mail", "EMAIL", lambda r: r["EMAIL"]),
    ("Today's Date", "TODAY", lambda r: datetime.date.today().strftime("%m/%d/%Y")),
    ("Long Date", "LONGDATE", lambda r: long_date(datetime.date.today())),
    ("Name and Address", "NAMEADDR", address_block),
    ("Comment 1", "USER1", lambda r: r["USER1"]),
    ("Comment 2", "USER2", lambda r: r["USER2"]),
]


def read_records(path, limit):
    """The records `letters --all` prints: not marked deleted, in record order."""
    import dbf
    t = dbf.Table(path)
    t.open(dbf.READ_ONLY)
    names = [f.upper() for f in t.field_names]
    out = []
    for rec in t:
        if dbf.is_deleted(rec) or rec["isdel"]:
            continue
        out.append({n: (rec[n.lower()].rstrip() if isinstance(rec[n.lower()], str) else rec[n.lower()])
                    for n in names if n != "MEMO"})
        if len(out) == limit:
            break
    t.close()
    return out


def write_data_odt(path, table, header, rows):
    """A Writer document holding one table: a header row of column names, then the rows."""
    def cell(v):
        return ('<table:table-cell office:value-type="string"><text:p>' +
                "<text:line-break/>".join(escape(x) for x in v.split("\n")) + "</text:p></table:table-cell>")
    body = ['<table:table table:name="%s"><table:table-column table:number-columns-repeated="%d"/>'
            % (table, len(header))]
    for r in [header] + rows:
        body.append("<table:table-row>" + "".join(cell(v) for v in r) + "</table:table-row>")
    body.append("</table:table>")
    content = ('<?xml version="1.0" encoding="UTF-8"?><office:document-content '
               'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
               'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
               'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" office:version="1.2">'
               "<office:body><office:text>" + "".join(body) + "</office:text></office:body></office:document-content>")
    manifest = ('<?xml version="1.0" encoding="UTF-8"?><manifest:manifest '
                'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.text"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                "</manifest:manifest>")
    with zipfile.ZipFile(path, "w") as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.text")
        z.writestr("content.xml", content, zipfile.ZIP_DEFLATED)
        z.writestr("META-INF/manifest.xml", manifest, zipfile.ZIP_DEFLATED)


# --- LibreOffice ----------------------------------------------------------------------------------

class Office:
    """A headless LibreOffice process of our own, on a free loopback port, with a private profile."""

    def __init__(self, work):
        self.profile = "file://" + os.path.join(work, "lo-profile")
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        self.port = s.getsockname()[1]
        s.close()
        self.log = open(os.path.join(work, "soffice.log"), "a")
        self.proc = None

    def _spawn(self):
        return subprocess.Popen(
            ["/usr/lib/libreoffice/program/soffice.bin", "--headless", "--invisible", "--norestore", "--nologo",
             "--nodefault", "-env:UserInstallation=" + self.profile,
             "--accept=socket,host=127.0.0.1,port=%d;urp;" % self.port],
            stdout=self.log, stderr=self.log)

    def start(self):
        import uno
        started = time.time()
        self.proc = self._spawn()
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        while True:
            if self.proc.poll() is not None:
                if self.proc.returncode == 81:  # first start in a new profile: it asks to be started again
                    self.proc = self._spawn()
                    continue
                sys.exit("soffice ended with %d (see soffice.log)" % self.proc.returncode)
            try:
                self.ctx = resolver.resolve(
                    "uno:socket,host=127.0.0.1,port=%d;urp;StarOffice.ComponentContext" % self.port)
                break
            except Exception:
                if time.time() - started > 300:
                    sys.exit("soffice did not answer within 300 s")
                time.sleep(0.2)
        self.smgr = self.ctx.ServiceManager
        self.desktop = self.smgr.createInstanceWithContext("com.sun.star.frame.Desktop", self.ctx)
        return time.time() - started

    def cpu_seconds(self):
        f = open("/proc/%d/stat" % self.proc.pid).read().rsplit(")", 1)[1].split()
        return (int(f[11]) + int(f[12])) / os.sysconf("SC_CLK_TCK")

    def peak_mib(self):
        for line in open("/proc/%d/status" % self.proc.pid):
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
        return 0.0

    def stop(self):
        if not self.proc:
            return
        try:
            self.desktop.terminate()
        except Exception:
            pass
        try:
            self.proc.wait(30)
        except subprocess.TimeoutExpired:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()
        self.proc = None


def pv(name, value):
    from com.sun.star.beans import PropertyValue
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


def make_lo_letter(office, rtf, odt, source, table):
    """The stored letter opened by Writer, each token replaced by a database field in place."""
    import uno
    doc = office.desktop.loadComponentFromURL(uno.systemPathToFileUrl(rtf), "_blank", 0, (pv("Hidden", True),))
    settings = doc.createInstance("com.sun.star.text.DocumentSettings")
    # An empty value removes its token only, as in our merge; Writer would hide the whole paragraph.
    settings.EmptyDbFieldHidesPara = False
    replaced = 0
    for field, column, _ in FIELDS:
        sd = doc.createSearchDescriptor()
        sd.SearchString = "[" + field + "]"
        sd.SearchCaseSensitive = True
        found = doc.findAll(sd)
        for i in range(found.getCount()):
            rng = found.getByIndex(i)
            master = doc.createInstance("com.sun.star.text.FieldMaster.Database")
            master.DataBaseName = source
            master.DataTableName = table
            master.DataColumnName = column
            master.DataCommandType = 0
            f = doc.createInstance("com.sun.star.text.TextField.Database")
            f.attachTextFieldMaster(master)
            rng.getText().insertTextContent(rng, f, True)
            replaced += 1
    doc.storeToURL(uno.systemPathToFileUrl(odt), (pv("FilterName", "writer8"),))
    doc.close(True)
    return replaced


def lo_merge(office, odt, data, outdir, source, table):
    """Writer's MailMerge over the table in `data`, to one PDF in outdir; the PDF's path."""
    import uno
    driver = office.smgr.createInstanceWithContext("com.sun.star.comp.sdbc.writer.ODriver", office.ctx)
    conn = driver.connect("sdbc:writer:" + uno.systemPathToFileUrl(data), ())
    rows = office.smgr.createInstanceWithContext("com.sun.star.sdb.RowSet", office.ctx)
    rows.ActiveConnection = conn
    rows.Command = 'SELECT * FROM "%s"' % table
    rows.CommandType = 2
    rows.EscapeProcessing = False
    rows.execute()
    mm = office.smgr.createInstanceWithContext("com.sun.star.text.MailMerge", office.ctx)
    mm.DataSourceName = source
    mm.Command = table
    mm.CommandType = 0
    mm.ActiveConnection = conn
    mm.ResultSet = rows
    mm.DocumentURL = uno.systemPathToFileUrl(odt)
    mm.OutputType = 2  # FILE
    mm.SaveAsSingleFile = True
    mm.SaveFilter = "writer_pdf_Export"
    mm.OutputURL = uno.systemPathToFileUrl(outdir)
    mm.FileNamePrefix = "merged"
    mm.execute(())
    conn.close()
    pdfs = [f for f in os.listdir(outdir) if f.endswith(".pdf")]
    if len(pdfs) != 1:
        sys.exit("MailMerge wrote %s" % pdfs)
    return os.path.join(outdir, pdfs[0])


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--records", type=int, default=10000)
    ap.add_argument("--lo-records", type=int, default=1000)
    ap.add_argument("--build", default="build")
    ap.add_argument("--skip-each", action="store_true", help="leave out the --pdf-each run")
    ap.add_argument("--keep", help="work in this folder and keep it")
    a = ap.parse_args()

    batch = os.path.join(os.path.abspath(a.build), "src", "batch", "addrova-batch")
    if not os.access(batch, os.X_OK):
        sys.exit("no %s: build the addrova-batch and addrova-letters-sysdata targets first" % batch)
    work = os.path.abspath(a.keep) if a.keep else tempfile.mkdtemp(prefix="letters-bench.")
    os.makedirs(work, exist_ok=True)
    env = dict(os.environ, ADDROVA_HOME=os.path.join(work, "home"), QT_QPA_PLATFORM="offscreen")
    office = None
    try:
        print("load average at start: %.2f %.2f %.2f, %d cores" % (os.getloadavg() + (os.cpu_count(),)))
        big = os.path.join(work, "demo.dbf")
        small = os.path.join(work, "demo-lo.dbf")
        sh([batch, "demo", big, str(a.records)], env)
        sh([batch, "demo", small, str(a.lo_records)], env)
        rtf = os.path.join(work, "letter.rtf")
        sh([batch, "letter-export", LETTER, rtf], env)

        print("\n| run | records | pages | wall time | CPU time | pages per CPU second | output | peak memory |")
        print("|---|---:|---:|---:|---:|---:|---:|---:|")

        def row(name, records, pages, wall, cpu, out, rss):
            print("| %s | %d | %d | %.1f s | %.1f s | %.0f | %.1f MiB | %.0f MiB |"
                  % (name, records, pages, wall, cpu, pages / cpu if cpu else 0, du_mib(out), rss), flush=True)

        one = os.path.join(work, "all.pdf")
        wall, cpu, rss, _ = timed([batch, "letters", big, "--letter", LETTER, "--all", "--pdf", one], env, work)
        row("addrova-batch, one PDF", a.records, pdf_pages(one), wall, cpu, one, rss)
        if not a.skip_each:
            each = os.path.join(work, "each")
            wall, cpu, rss, err = timed([batch, "letters", big, "--letter", LETTER, "--all", "--pdf-each", each],
                                        env, work)
            pages = int(re.search(r"^(\d+) pages", err, re.M).group(1))
            row("addrova-batch, one PDF per record", a.records, pages, wall, cpu, each, rss)
        os.remove(one)

        ours = os.path.join(work, "ours-lo.pdf")
        o_wall, o_cpu, o_rss, _ = timed([batch, "letters", small, "--letter", LETTER, "--all", "--pdf", ours],
                                        env, work)
        o_pages = pdf_pages(ours)
        row("addrova-batch, one PDF", a.lo_records, o_pages, o_wall, o_cpu, ours, o_rss)

        # LibreOffice: the data table and the letter with database fields, made by one office process.
        records = read_records(small, a.lo_records)
        data = os.path.join(work, "addresses.odt")
        write_data_odt(data, "Addresses", [c for _, c, _ in FIELDS], [[fn(r) for _, _, fn in FIELDS] for r in records])
        odt = os.path.join(work, "letter.odt")
        office = Office(work)
        office.start()
        fields = make_lo_letter(office, rtf, odt, "AddrovaBench", "Addresses")
        office.stop()
        # A fresh process for the merge alone.
        office = Office(work)
        start_secs = office.start()
        outdir = os.path.join(work, "lo-out")
        os.makedirs(outdir, exist_ok=True)
        cpu0 = office.cpu_seconds()
        t0 = time.time()
        lo_pdf = lo_merge(office, odt, data, outdir, "AddrovaBench", "Addresses")
        l_wall = time.time() - t0
        l_cpu = office.cpu_seconds() - cpu0
        l_rss = office.peak_mib()
        office.stop()
        office = None
        l_pages = pdf_pages(lo_pdf)
        row("LibreOffice MailMerge, one PDF", len(records), l_pages, l_wall, l_cpu, lo_pdf, l_rss)

        print("\n- LibreOffice: %d merge fields in the letter; its start before the merge took %.1f s (not counted)."
              % (fields, start_secs))
        print("- Time LibreOffice / addrova-batch for the same %d records: wall %.1f, CPU %.1f."
              % (len(records), l_wall / o_wall, l_cpu / o_cpu))
        print("- Peak memory LibreOffice / addrova-batch: %.1f." % (l_rss / o_rss))
        ok = True
        if l_pages != o_pages:
            print("- PAGE COUNTS DIFFER: addrova-batch %d, LibreOffice %d" % (o_pages, l_pages))
            ok = False
        else:
            print("- Same page count: %d." % o_pages)
        for name, path in (("addrova-batch", ours), ("LibreOffice", lo_pdf)):
            text = pdf_text(path)
            tokens = sorted(set(re.findall(r"\[(?:%s)\]" % "|".join(re.escape(f) for f, _, _ in FIELDS), text)))
            if tokens:
                print("- TOKENS LEFT in %s's output: %s" % (name, ", ".join(tokens)))
                ok = False
        # Page by page, the same words (line breaks and blank lines may differ).
        ours_pages = [p.split() for p in pdf_text(ours).split("\f")]
        lo_pages = [p.split() for p in pdf_text(lo_pdf).split("\f")]
        differ = [i + 1 for i, (x, y) in enumerate(zip(ours_pages, lo_pages)) if x != y]
        if differ:
            print("- WORDS DIFFER on %d pages, the first is page %d" % (len(differ), differ[0]))
            ok = False
        else:
            print("- Every page holds the same words in both PDFs.")
        last = records[-1]
        for name, path in (("addrova-batch", ours), ("LibreOffice", lo_pdf)):
            if last["LNAME"] and last["LNAME"] not in pdf_text(path, o_pages):
                print("- %s's last page does not name the last record (%s)" % (name, last["LNAME"]))
                ok = False
        print("load average at end: %.2f %.2f %.2f" % os.getloadavg())
        return 0 if ok else 1
    finally:
        if office:
            office.stop()
        if not a.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
