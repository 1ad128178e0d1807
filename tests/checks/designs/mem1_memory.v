// MEM-1: a 16-word memory; the register behind its read port can be scanned.
module mem1_memory(input clk, input rst_n, input we, input [3:0] addr, input [7:0] d, output reg [7:0] q);
  reg [7:0] words [0:15];
  always @(posedge clk) if (we) words[addr] <= d;
  always @(posedge clk or negedge rst_n)
    if (!rst_n) q <= 8'd0;
    else q <= words[addr];
endmodule
