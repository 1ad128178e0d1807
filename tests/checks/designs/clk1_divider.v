// CLK-1: a clock divided by a flip-flop; and a gate made transparent by a
// test-mode pin (clean with --test-mode test_en=1).
module clk1_divider(input clk, input en, input test_en, input rst_n, input [3:0] d,
                    output reg [3:0] slow, output reg [3:0] gated);
  reg half;
  always @(posedge clk or negedge rst_n)
    if (!rst_n) half <= 1'b0;
    else half <= ~half;
  always @(posedge half or negedge rst_n)
    if (!rst_n) slow <= 4'd0;
    else slow <= d;
  wire gclk = ~(~clk | ~(en | test_en));
  always @(posedge gclk or negedge rst_n)
    if (!rst_n) gated <= 4'd0;
    else gated <= d;
endmodule
