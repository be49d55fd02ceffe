# The 9,900-page site of the build benchmarks: 100 templates of about 8 KB in 99 languages,
# macros from the basis group and from each language.
#   make_site.py FOLDER [FOOTER]   FOOTER: the text of the footer macro (default "{#S4}")
import os, random, sys
d = sys.argv[1]; random.seed(4242)
footer = sys.argv[2] if len(sys.argv) > 2 else "{#S4}"
os.makedirs(d + "/tpl")
words = "alpha beta gamma delta river stone light garden window silver paper morning".split()
def text(n): return " ".join(random.choice(words) for _ in range(n))
langs = ["l%02d" % i for i in range(99)]
hpr = "[Groups]\r\nGroupNumber=100\r\nGroup0=site.mcr\r\n"
hpr += "".join("Group%d=%s.mcr\r\n" % (i + 1, l) for i, l in enumerate(langs))
hpr += "[Sources]\r\nSourceNumber=100\r\n" + "".join("Source%d=tpl\\page%03d.tpl\r\n" % (i, i) for i in range(100))
open(d + "/site.hpr", "w", newline="").write(hpr)
open(d + "/site.mcr", "w", newline="").write(
    "{:Header:0:}\r\n<head><title>{#S0} - {#S1}</title></head>\r\n{:Menu:0:}\r\n<ul><li>{#S2}</li><li>{#S3}</li></ul>\r\n"
    "{:Footer:0:}\r\n<footer>" + footer + "</footer>\r\n")
for l in langs:
    open(d + "/%s.mcr" % l, "w", newline="").write("".join("{:S%d:0:}\r\n%s %s\r\n" % (s, l, text(4)) for s in range(20)))
for p in range(100):
    body = "".join("<p>%s {#S%d}</p>\r\n" % (text(12), random.randrange(20)) for _ in range(90))
    open(d + "/tpl/page%03d.tpl" % p, "w", newline="").write("{#Header}\r\n{#Menu}\r\n" + body + "{#Footer}\r\n")
