{#HtmlStart}
{#Head.About}
<body>
<header class="site">
{#Brand}
<div class="bar">
{#Menu}
{#Switch,about2.htm}
</div>
</header>
<main class="page">
<h1>{#AboutHead}</h1>
{#AboutText}
<h2>{#VisitHead}</h2>
<< Author note: [2-L] leaves out the first line of the address (the name).
<p>{#"<br>"Address[2-L]}</p>
<h2>{#HowHead}</h2>
<p>{#HowText}</p>
<< Author note: a backslash before the brace writes a placeholder as plain text.
<pre class="code">\{#HtmlStart}
\{#Head.About}
&lt;body&gt;
&lt;header class="site"&gt;
\{#Brand}
&lt;div class="bar"&gt;
\{#Menu}
\{#Switch,about2.htm}
&lt;/div&gt;
&lt;/header&gt;
&lt;main class="page"&gt;
&lt;h1&gt;\{#AboutHead}&lt;/h1&gt;
...</pre>
</main>
{#Footer}
</body>
</html>
